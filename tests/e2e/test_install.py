"""installer-cli install: whole installation attempts as the window runs them, against nginx and
the real NSIS packages, with the records they leave in the registry and the INI files."""

import os
import re
import shutil
import unittest

from harness import BUILD_DIR, SOURCE_DIR, ScratchDir, run, windows_path
from servers.nginx_world import CA_BUNDLE, NginxWorld

CLI = BUILD_DIR / "installer-cli.exe"
PACKAGES = BUILD_DIR / "tests" / "e2e" / "packages"
PRODUCT_KEY = r"HKCU\Software\TarVoSoft\lumacut"
PREFIX = os.environ.get("LUMACUT_WINEPREFIX", str(SOURCE_DIR / ".deps" / "wine"))


def host_path(path: str) -> str:
    """The host path of a Wine path on Z: (the host root) or C: (the prefix's drive)."""
    drive, rest = path[:2].upper(), path[2:].replace("\\", "/")
    return rest if drive == "Z:" else f"{PREFIX}/drive_{drive[0].lower()}{rest}"


def read_ini(path) -> dict:
    """{(section, key): value} of an INI file written by the private-profile functions."""
    values, section = {}, ""
    with open(path, encoding="latin-1") as ini:
        for line in ini.read().splitlines():
            if line.startswith("[") and line.endswith("]"):
                section = line[1:-1]
            elif "=" in line:
                key, value = line.split("=", 1)
                values[(section, key)] = value
    return values


def registry_value(name: str):
    result = run("reg", "query", PRODUCT_KEY, "/v", name)
    match = re.search(rf"{name}\s+REG_SZ\s+(.*)", result.stdout)
    return match.group(1).strip() if match else None


def clear_registry():
    run("reg", "delete", PRODUCT_KEY, "/f")


class Attempt:
    def __init__(self, result):
        self.exit_code = result.returncode
        self.events, self.reports, self.stats = [], [], {}
        for line in result.stdout.splitlines():
            fields = line.split("\t")
            if fields[0] == "report":
                self.reports.append((fields[1], fields[2]))
            elif fields[0] == "stats":
                self.stats = dict(field.split("=", 1) for field in fields[1:])
            else:
                self.events.append((int(fields[0]), float(fields[1]), fields[2]))

    def codes(self):
        return [code for code, _, _ in self.events if code != 1002]


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.scratch = ScratchDir()
        folder = cls.scratch.__enter__()
        cls.world = NginxWorld(folder / "www")
        cls.package = cls.world.add_file(PACKAGES / "LumaCutSetup-success.exe")
        cls.world.redirect("/software/462", cls.package.path)
        cls.world.start()

    @classmethod
    def tearDownClass(cls):
        cls.world.stop()
        cls.scratch.__exit__(None, None, None)

    def setUp(self):
        clear_registry()
        self.addCleanup(clear_registry)
        self.folder = self.scratch.path / self.id().rsplit(".", 1)[-1]
        self.folder.mkdir()
        self.addCleanup(shutil.rmtree, self.folder, True)

    def install(self, url, directory, *options) -> Attempt:
        env = dict(os.environ, LUMACUT_CA_BUNDLE=windows_path(CA_BUNDLE))
        return Attempt(run(CLI, "install", url, windows_path(directory), *options, env=env))

    def test_first_installation_then_an_update_that_removes_the_old_version_first(self):
        product = self.folder / "LumaCut"
        first = self.install(self.world.http_url("/software/462"), product, "--stats")
        self.assertEqual(first.exit_code, 0, first.events)
        self.assertEqual(int(first.stats["bytes"]), self.package.file.stat().st_size)
        self.assertEqual(first.codes()[0], 1001)
        self.assertEqual(first.codes()[-1], 2003)
        self.assertIn(1003, first.codes())
        self.assertFalse((product / "__Package_lumacut.exe").exists(), "the package never survives")
        self.assertTrue((product / "lumacutout.started").exists(), "AutoStartup starts the product")

        self.assertEqual(registry_value("InstallPath"), windows_path(product))
        self.assertEqual(registry_value("UnInstallEp"), windows_path(product) + "\\uninst.ep")
        settings = read_ini(product / "set.ini")
        self.assertEqual(settings[("Install", "APPStore")], "installer-cli.exe")
        self.assertEqual(settings[("Install", "AppName")], "lumacut")
        self.assertRegex(settings[("Install", "DeviceID")], r"^[0-9A-F]{12}[0-9a-f]{4}[0-9A-F]{16}$")
        stamp_file = settings[("Install", "QXAnalyticsIni")]
        self.assertTrue(stamp_file.endswith("\\TarVoData\\lumacut\\QXAnalytics.ini"), stamp_file)
        self.assertRegex(read_ini(host_path(stamp_file))[("Init", "UpdateTime")],
                         r"^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d$")

        second = self.install(self.world.http_url("/software/462"), product)
        self.assertEqual(second.exit_code, 0, second.events)
        codes = second.codes()
        self.assertEqual(codes[0], 5002, "the old version is removed first")
        self.assertLess(codes.index(5003), codes.index(1001))
        self.assertEqual(codes[-1], 2003)
        received = (self.folder / "uninst-cmdline.txt").read_bytes().decode("utf-16")
        self.assertIn("lumacut_un_asa.exe /S -adminact=", received)
        self.assertNotEqual(read_ini(product / "set.ini")[("Install", "DeviceID")],
                            settings[("Install", "DeviceID")], "a new DeviceID per installation")

    def test_is_override_false_keeps_the_installed_version(self):
        product = self.folder / "LumaCut"
        self.assertEqual(self.install(self.world.http_url("/software/462"), product).exit_code, 0)
        with open(product / "set.ini", "a", encoding="latin-1") as ini:
            ini.write("[Uninstall]\r\nIsOverride=false\r\n")
        again = self.install(self.world.http_url("/software/462"), product)
        self.assertEqual(again.exit_code, 0)
        self.assertEqual(again.codes()[0], 1001, "no removal stage")
        self.assertNotIn(5002, again.codes())

        # The same word in capitals is not "false": the old version is removed first.
        text = (product / "set.ini").read_text(encoding="latin-1").replace("IsOverride=false", "IsOverride=FALSE")
        (product / "set.ini").write_text(text, encoding="latin-1")
        self.assertEqual(self.install(self.world.http_url("/software/462"), product).codes()[0], 5002)

    def test_a_failed_removal_stops_the_attempt(self):
        old = self.folder / "Old"
        # An installed version whose uninstaller reports State=Fail.
        self.assertEqual(run(CLI, "package", windows_path(PACKAGES / "LumaCutSetup-fail.exe"),
                             windows_path(old)).returncode, 1)
        product = self.folder / "New"
        attempt = self.install(self.world.http_url("/software/462"), product,
                               "--previous-uninstaller=" + windows_path(old / "uninst.ep"))
        self.assertEqual(attempt.exit_code, 1)
        self.assertEqual(attempt.codes()[0], 5002)
        self.assertEqual(attempt.events[-1], (5005, 0.0, "安装包卸载失败"))
        self.assertNotIn(1001, attempt.codes())
        self.assertFalse((product / "__Package_lumacut.exe").exists())

    def test_a_download_failure_reports_its_diagnostics(self):
        product = self.folder / "LumaCut"
        attempt = self.install(self.world.http_url("/software/missing"), product)
        self.assertEqual(attempt.exit_code, 1)
        self.assertEqual(attempt.codes(), [1001, 1004])
        self.assertFalse((product / "__Package_lumacut.exe").exists())
        label, detail = attempt.reports[-1]
        self.assertEqual(label, "下载失败原因")
        self.assertRegex(detail, r"^1\.code=-?\d+；2\.msg=LibCurl；3\.缓存磁盘容量=\d+\.\d\dG；"
                                 r"4\.缓存读写权限=可读；5\.服务器连接状态code=\d+$")
        self.assertIsNone(registry_value("InstallPath"), "a failed attempt leaves no record")


if __name__ == "__main__":
    unittest.main()
