"""The demo run of scripts/demo (see there). Everything runs on loopback and under Wine."""

import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from harness import BUILD_DIR, run, windows_path  # noqa: E402
from servers.analytics_sink import AnalyticsSink  # noqa: E402
from servers.nginx_world import CA_BUNDLE, NginxWorld  # noqa: E402

PRODUCT_KEY = r"HKCU\Software\TarVoSoft\lumacut"
DEFAULT_FOLDER = r"C:\Program Files\LumaCut Demo\lumacut"
EVENT_NAMES = {
    1001: "download started", 1002: "download progress", 1003: "download done", 1004: "download failed",
    1005: "download retry", 1006: "download note", 2001: "package started", 2002: "package progress",
    2003: "installed", 2004: "installation failed", 3000: "install path", 3001: "product executable",
    3002: "uninstaller", 3003: "uninstaller entry", 3004: "start address", 3005: "startup style",
    3007: "top-show time", 3008: "close time", 3009: "package message", 5002: "removing old version",
    5003: "old version removed", 5004: "removal could not start", 5005: "removal failed",
}


def say(text=""):
    print(text, flush=True)


def registry_value(name):
    match = re.search(rf"{name}\s+REG_SZ\s+(.*)", run("reg", "query", PRODUCT_KEY, "/v", name).stdout)
    return match.group(1).strip() if match else None


def prefix_path(path: str) -> pathlib.Path:
    prefix = pathlib.Path(os.environ.get("LUMACUT_WINEPREFIX", ROOT / ".deps" / "wine"))
    drive, rest = path[0].lower(), path[2:].replace("\\", "/").lstrip("/")
    return pathlib.Path("/" + rest) if drive == "z" else prefix / f"drive_{drive}" / rest


def show_file(title, path: pathlib.Path):
    say(f"  {title} ({path.name}):")
    for line in path.read_text(encoding="latin-1").splitlines():
        if line.strip():
            say(f"      {line}")


def main():
    work = pathlib.Path(tempfile.mkdtemp(prefix="lumacut-demo-"))
    try:
        world = NginxWorld(work / "www")
        package = world.add_file(BUILD_DIR / "tests" / "e2e" / "packages" / "LumaCutSetup-success.exe")
        world.redirect("/software/462", package.path)
        with world, AnalyticsSink() as sink:
            # The installer's own copy, with a settings file beside it that points analytics at
            # the local sink (as a distributor would point it at theirs).
            cli = work / "installer" / "installer-cli.exe"
            cli.parent.mkdir()
            shutil.copy(BUILD_DIR / "installer-cli.exe", cli)
            (cli.parent / "TarvoInstallerConfig.ini").write_text(
                f"[Install]\r\nDownloadUrl={world.http_url('/software/462')}\r\nAnalyticsUrl={sink.url}\r\n")
            env = dict(os.environ, LUMACUT_CA_BUNDLE=windows_path(CA_BUNDLE))

            installed = registry_value("InstallPath")
            folder = installed if installed and prefix_path(installed).joinpath("uninst.ep").exists() else DEFAULT_FOLDER
            url = world.http_url("/software/462")
            say(f"[demo] download server  {url} -> {package.path}")
            say(f"[demo] analytics sink   {sink.url}")
            say(f"[demo] installed before {installed or '(nothing)'}")
            say(f"[demo] installing into  {folder}")
            say()
            result = run(cli, "install", url, folder, env=env, timeout=300)
            for line in result.stdout.splitlines():
                fields = line.split("\t")
                if fields[0] == "report":
                    say(f"  report  {fields[1]}: {fields[2]}")
                    continue
                code = int(fields[0])
                say(f"  {code}  {EVENT_NAMES.get(code, ''):24} {fields[1]:>6}  {fields[2]}")
            say()
            if result.returncode != 0:
                say(f"[demo] the installation failed (exit code {result.returncode})")
                return result.returncode

            say("[demo] the installed product:")
            for entry in sorted(prefix_path(folder).iterdir()):
                say(f"      {entry.name:24} {entry.stat().st_size:>10} bytes")
            say("[demo] registry HKCU\\Software\\TarVoSoft\\lumacut:")
            for name in ("InstallPath", "UnInstallEp"):
                say(f"      {name} = {registry_value(name)}")
            settings = prefix_path(folder) / "set.ini"
            show_file("product settings", settings)
            stamp = re.search(r"QXAnalyticsIni=(.*)", settings.read_text(encoding="latin-1"))
            if stamp:
                show_file("analytics time stamp", prefix_path(stamp.group(1).strip()))

            # The installer's success report, sent by the release flush at exit.
            run(cli, "report", "task", "安装成功", env=env)
            sink.wait_for_requests(1)
            say("[demo] analytics records received by the sink:")
            for record in sink.accepted_records:
                properties = record.get("properties", {})
                name = properties.get("qx_task_name") or record.get("event")
                say(f"      {record.get('event')}: {name}  (qxc_ab={properties.get('qxc_ab')}, "
                    f"app={properties.get('qx_app_id')}, store={properties.get('qx_app_store')})")
            say()
            say("[demo] done; run scripts/demo again to update the installed product")
            return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
