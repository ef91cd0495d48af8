"""installer-cli report against the HTTPS analytics sink: what each report sends, and what an
outage keeps for the next run."""

import os
import shutil
import socket
import subprocess
import unittest

from harness import BUILD_DIR, SOURCE_DIR, ScratchDir, run, windows_path
from servers.analytics_sink import AnalyticsSink

CLI = BUILD_DIR / "installer-cli.exe"
CA_BUNDLE = SOURCE_DIR / ".deps" / "certs" / "ca.pem"

COMMON = {
    "qx_app_id": "lumacut.downloader", "$app_id": "lumacut.downloader", "$app_version": "1.7.9",
    "qx_app_store": "installer-cli.exe", "qx_edition": "china", "qx_dlapp_id": "lumacut",
    "qx_app_platform": "Windows", "qx_track_type": "Client", "qx_sdk_version": "3.3.8", "qx_sdk": "WindowsCPP",
    "$os": "Windows", "$lib": "cpp", "$lib_version": "0.9",
}


def free_port() -> int:
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Installation:
    """A copy of installer-cli in its own folder, with settings pointing at `url` and a private
    tracker state folder (through Set.ini)."""

    def __init__(self, folder, url, enabled=True):
        self.folder = folder
        self.exe = folder / "installer-cli.exe"
        shutil.copy(CLI, self.exe)
        lines = ["[Install]", f"AnalyticsUrl={url}"] + ([] if enabled else ["IsEnableAppAnalytics=false"])
        (folder / "TarvoInstallerConfig.ini").write_text("\r\n".join(lines) + "\r\n")
        (folder / "Set.ini").write_text(f"[Install]\r\nQXAnalyticsIni={windows_path(folder)}\\state\\s.ini\r\n")
        self.staging = folder / "state" / "lumacut.downloader_QXSRecords.txt"

    def report(self, *args, ca=CA_BUNDLE):
        env = dict(os.environ, LUMACUT_CA_BUNDLE=windows_path(ca))
        result = run(self.exe, "report", *args, env=env, timeout=60)
        assert result.returncode == 0, (result.returncode, result.stderr)
        return result

    def staged_lines(self):
        return self.staging.read_text(encoding="utf-8").splitlines() if self.staging.exists() else []


class ReportKindsTest(unittest.TestCase):
    def test_each_kind_sends_exactly_its_record(self):
        cases = [
            (["task", "大包下载完毕", "", "2.5"], "QxEventTask",
             {"qx_task_name": "大包下载完毕", "qx_task_elapsed": 2.5, "qx_task_result": "Success",
              "$is_first_time": True, "qxc_ab": "IN"}, ["qx_reason"]),
            (["task", "下载失败原因", ":1.code=28；2.msg=Timeout was reached"], "QxEventTask",
             {"qx_task_name": "下载失败原因", "qx_reason": ":1.code=28；2.msg=Timeout was reached",
              "qx_task_elapsed": 0, "qxc_ab": "IN"}, []),
            (["click", "立即安装"], "QxEventClick",
             {"qx_name": "立即安装", "qx_click_type": "Button", "$is_first_time": True, "qxc_ab": "IN"}, ["qx_title"]),
            (["view"], "QxEventView", {"qx_name": "安装中", "$is_first_time": True, "qxc_ab": "IN"}, []),
            (["crash"], "AppCrashed", {"app_crashed_reason": "崩溃"}, ["qxc_ab", "$is_first_time"]),
        ]
        with AnalyticsSink() as sink, ScratchDir() as folder:
            installation = Installation(folder, sink.url)
            for args, event, expected, absent in cases:
                with self.subTest(args=args):
                    before = len(sink.requests)
                    installation.report(*args)
                    new = sink.requests[before:]
                    self.assertEqual([request.error for request in new], [None] * len(new))
                    records = [record for request in new for record in request.records]
                    self.assertEqual(len(records), 1, records)
                    record = records[0]
                    self.assertEqual(list(record), ["_track_id", "distinct_id", "event", "lib", "properties", "time",
                                                    "type"])
                    self.assertEqual(record["event"], event)
                    self.assertEqual(record["type"], "track")
                    self.assertEqual(record["lib"], {"$lib": "cpp", "$lib_method": "code", "$lib_version": "0.9"})
                    properties = record["properties"]
                    self.assertEqual(list(properties), sorted(properties, key=lambda name: name.encode()))
                    for name, value in {**COMMON, **expected}.items():
                        self.assertEqual(properties.get(name), value, name)
                    for name in absent:
                        self.assertNotIn(name, properties)
                    self.assertEqual(new[-1].headers.get("User-Agent"), "QXAnalytics CPP SDK 0.9")
                    self.assertEqual(new[-1].path, "/sa?project=pc")
            # One identity for the installation across runs.
            identities = {record["distinct_id"] for record in sink.accepted_records}
            self.assertEqual(len(identities), 1)
            self.assertEqual(installation.staged_lines(), [])

    def test_disabled_analytics_sends_and_writes_nothing(self):
        with AnalyticsSink() as sink, ScratchDir() as folder:
            installation = Installation(folder, sink.url, enabled=False)
            installation.report("task", "安装成功")
            installation.report("crash")
            self.assertEqual(sink.requests, [])
            self.assertFalse((folder / "state").exists())


def other_authority(folder):
    """A certification authority that did not sign the sink's certificate."""
    pem = folder / "other-ca.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", str(folder / "other-ca.key"),
                    "-out", str(pem), "-days", "1", "-subj", "/CN=Other Test CA"], check=True, capture_output=True)
    return pem


class OutageTest(unittest.TestCase):
    def test_records_survive_a_failed_endpoint_into_the_next_run(self):
        # Each way the endpoint can fail; "down" is a port nobody listens on.
        failures = [500, 204, 302, "close", "down", "untrusted", "silent"]
        for failure in failures:
            with self.subTest(failure=failure), AnalyticsSink() as sink, ScratchDir() as folder:
                url = f"https://localhost:{free_port()}/sa?project=pc" if failure == "down" else sink.url
                installation = Installation(folder, url)
                if failure not in ("down", "untrusted"):
                    sink.answer_with(failure)
                ca = other_authority(folder) if failure == "untrusted" else CA_BUNDLE
                first = installation.report("task", "下载器启动", ca=ca)
                if failure == 500:
                    self.assertIn("QXAnalytics SDK send failed: status 500", first.stderr)
                installation.report("click", "立即安装", ca=ca)
                self.assertEqual(sink.accepted_records, [])
                staged = installation.staged_lines()
                self.assertEqual(len(staged), 2, staged)
                self.assertIn("下载器启动", staged[0])
                self.assertIn("立即安装", staged[1])

                # The endpoint is back: the next run sends the staged records first, then its own.
                sink.answer_with(200)
                if failure == "down":
                    installation = Installation(folder, sink.url)
                installation.report("view")
                events = [(record["event"], record["properties"]["qx_name" if "qx_name" in record["properties"]
                                                                 else "qx_task_name"])
                          for record in sink.accepted_records]
                self.assertEqual(events, [("QxEventTask", "下载器启动"), ("QxEventClick", "立即安装"),
                                          ("QxEventView", "安装中")])
                self.assertEqual(installation.staged_lines(), [])


if __name__ == "__main__":
    unittest.main()
