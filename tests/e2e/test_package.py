"""installer-cli package and uninstall on the real NSIS test packages."""

import re
import shutil
import unittest

from harness import BUILD_DIR, ScratchDir, exit_code, run, windows_path

CLI = BUILD_DIR / "installer-cli.exe"
PACKAGES = BUILD_DIR / "tests" / "e2e" / "packages"


def package(variant):
    return PACKAGES / f"LumaCutSetup-{variant}.exe"


def events(stdout):
    """The printed events as (code, value, text) tuples."""
    return [tuple(line.split("\t", 2)) for line in stdout.splitlines()]


def install(variant, folder, *options):
    result = run(CLI, "package", windows_path(package(variant)), windows_path(folder), *options)
    return exit_code(result.returncode), events(result.stdout)


class PackageTest(unittest.TestCase):
    def expected(self, folder, before, after):
        target = windows_path(folder)
        return ([("2001", "0", ""), ("2002", "0", "")] + before +
                [("2002", "0.1", ""), ("3000", "0", target), ("2002", "0.9", ""),
                 ("3001", "0", target + "\\lumacutout.exe"), ("3003", "0", target + "\\uninst.ep"),
                 ("3005", "1", "")] + after)

    def test_each_variant_prints_its_event_sequence(self):
        message = [("3009", "0", "正在安装，请稍候")]
        done = [("3009", "0", "安装完成"), ("2003", "0", "")]
        cases = [
            ("success", 0, [], [("2003", "0", "")]),
            ("fail", 1, [], [("2004", "0", "安装包安装失败")]),
            ("error", 1, [], [("2004", "1000", "disk is full")]),
            ("nostate", 0, [], [("2003", "1", "")]),
            ("utf8", 0, message, done),
            ("cp936", 0, message, done),
            ("pieces", 0, message, done),
        ]
        for variant, code, before, after in cases:
            with self.subTest(variant), ScratchDir() as scratch:
                folder = scratch / "Lumi Cut"
                self.assertEqual(install(variant, folder), (code, self.expected(folder, before, after)))
                self.assertTrue((folder / "lumacutout.exe").is_file())
                self.assertTrue((folder / "uninst.ep").is_file())

    def test_switches_reach_the_package(self):
        with ScratchDir() as scratch:
            folder = scratch / "LumaCut"
            code, _ = install("success", folder, "--dsc=true", "--adminact=true", "--authorizationact=false",
                              "--lang=zh-CN")
            self.assertEqual(code, 0)
            received = (folder / "cmdline.txt").read_bytes().decode("utf-16")
            self.assertEqual(received, f'"{windows_path(package("success"))}" /S -console=show -version=1.0.0 '
                                       f'-adminact=true -authorizationact=false -dsc=true -ssc=false '
                                       f'-inslang="zh-CN" -instdir="{windows_path(folder)}"')

    def test_a_package_that_cannot_start(self):
        with ScratchDir() as scratch:
            result = run(CLI, "package", windows_path(scratch / "missing.exe"), windows_path(scratch / "d"))
            self.assertEqual(exit_code(result.returncode), 1)
            self.assertEqual(events(result.stdout), [("2001", "0", ""), ("2002", "0", ""), ("2004", "2", "")])

    def test_bad_usage(self):
        for args in ([], ["only-package"], ["p", "d", "--dsc=yes"], ["p", "d", "--unknown=1"]):
            with self.subTest(args):
                result = run(CLI, "package", *args)
                self.assertEqual(exit_code(result.returncode), 2)
                self.assertEqual(result.stdout, "")

    def test_installed_product_records_its_start(self):
        with ScratchDir() as scratch:
            folder = scratch / "LumaCut"
            self.assertEqual(install("success", folder)[0], 0)
            run(folder / "lumacutout.exe", "--from-test")
            self.assertIn("--from-test", (folder / "lumacutout.started").read_text(encoding="utf-8"))


class UninstallTest(unittest.TestCase):
    def test_uninstaller_removes_the_product(self):
        cases = [
            ("success", 0, [("5003", "0", ""), ("5002", "1", "")]),
            ("fail", 1, [("5005", "0", "安装包卸载失败")]),
            ("nostate", 0, [("5003", "1", "")]),
        ]
        for variant, code, tail in cases:
            with self.subTest(variant), ScratchDir() as scratch:
                folder = scratch / "Old LumaCut"
                self.assertEqual(install(variant, folder)[0], 1 if variant == "fail" else 0)
                # The installer runs a copy of the old version's uninstaller.
                copy = scratch / "uninst-copy.ep"
                shutil.copy(folder / "uninst.ep", copy)
                result = run(CLI, "uninstall", windows_path(copy), windows_path(folder))
                self.assertEqual(exit_code(result.returncode), code, result.stderr)
                self.assertEqual(events(result.stdout),
                                 [("5002", "0", ""), ("5002", "0.3", ""), ("5002", "0.8", "")] + tail)
                self.assertFalse(folder.exists())
                # NSIS takes the "_?=" item off the command line it shows the uninstaller.
                received = (scratch / "uninst-cmdline.txt").read_bytes().decode("utf-16")
                self.assertRegex(received, "^" + re.escape(windows_path(copy)) +
                                 r" /S -adminact=(true|false) -authorizationact=(true|false) -console=show$")

    def test_missing_uninstaller(self):
        with ScratchDir() as scratch:
            result = run(CLI, "uninstall", windows_path(scratch / "uninst.ep"), windows_path(scratch))
            self.assertEqual(exit_code(result.returncode), 1)
            self.assertEqual(events(result.stdout), [("5004", "1", "可执行卸载文件不存在")])

    def test_bad_usage(self):
        for args in ([], ["only-uninstaller"], ["u", "d", "extra"]):
            with self.subTest(args):
                self.assertEqual(exit_code(run(CLI, "uninstall", *args).returncode), 2)


if __name__ == "__main__":
    unittest.main()
