"""installer-cli settings and trace, run as a distributor or developer would."""

import re
import shutil
import unittest

from harness import BUILD_DIR, ScratchDir, exit_code, run, windows_path

CLI = BUILD_DIR / "installer-cli.exe"
LINE = re.compile(r"^<P(\d{5,})><T(\d{5,})><\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}>\(([^)]*)\)<(\d{4,})>: (.*)$")


def settings(folder, *args):
    """Runs a copy of installer-cli placed in `folder` (beside its settings file, if any)."""
    exe = folder / "installer-cli.exe"
    shutil.copy(CLI, exe)
    result = run(exe, "settings", *args)
    assert result.returncode == 0, result.stderr
    return dict(line.split("=", 1) for line in result.stdout.splitlines())


class SettingsTest(unittest.TestCase):
    def test_prints_every_field_in_record_order(self):
        with ScratchDir() as folder:
            exe = folder / "installer-cli.exe"
            shutil.copy(CLI, exe)
            names = [line.split("=", 1)[0] for line in run(exe, "settings").stdout.splitlines()]
        self.assertEqual(names, [
            "m_AppName", "m_AppVersion", "m_ExeName", "m_DlAppNameSuffix", "m_DlAppVersion", "m_InstCmd",
            "m_DownloadUrl", "m_DownloadType", "m_IsCheckNet", "m_IsEnableAppAnalytics", "m_DownloadScale",
            "m_LibcurlReady", "m_Language", "m_InsNew", "m_AnalyticsUrl"])

    def test_file_and_command_line_combine_with_the_command_line_winning(self):
        cases = [
            ("no file, no options", None, [],
             {"m_DownloadType": "1", "m_IsCheckNet": "false", "m_DownloadScale": "0.7", "m_Language": "-1",
              "m_ExeName": "installer-cli.exe",
              "m_DownloadUrl": "http://download.lumacut.example/software/462"}),
            ("file only", "[Install]\r\nDownloadType=3\r\nDownloadScale=0.35\r\nDlAppNameSuffix=.x\r\n", [],
             {"m_DownloadType": "3", "m_IsCheckNet": "true", "m_DownloadScale": "0.35", "m_DlAppNameSuffix": ".x"}),
            ("options over file", "[Install]\r\nDownloadType=3\r\nInstCmd=/a\r\n",
             ["-downloadtype=2", "-instcmd=/b", "-language=1", "-insnew=true", "-downloadscale=bad"],
             {"m_DownloadType": "2", "m_InstCmd": "/b", "m_Language": "1", "m_InsNew": "true",
              "m_DownloadScale": "nan"}),
            ("route and query", None, ["-downloadurl=http://h/${ROUTE}/p?a=1&b=2"],
             {"m_DownloadUrl": "http://h/download_silent/p?a=1&b=2"}),
            ("bad input never crashes", "[Install]\r\nDownloadType=zzz\r\n\x00\xff garbage\r\n",
             ["-downloadtype=1" + "9" * 40, "-=", "-", "=", "-language=\u5b89"],
             {"m_DownloadType": "0", "m_Language": "0"}),
        ]
        for name, ini, args, expected in cases:
            with self.subTest(name), ScratchDir() as folder:
                if ini is not None:
                    (folder / "TarvoInstallerConfig.ini").write_bytes(ini.encode("latin-1"))
                fields = settings(folder, *args)
                for key, value in expected.items():
                    self.assertEqual(fields[key], value, f"{name}: {key}")


class TraceTest(unittest.TestCase):
    def test_shows_each_debugger_line_in_order_and_returns_the_exit_code(self):
        sample = windows_path(BUILD_DIR / "tests" / "e2e" / "log-sample.exe")
        result = run(CLI, "trace", "--", sample, "7")
        self.assertEqual(result.returncode, exit_code(7), result.stderr)
        lines = [line for line in result.stdout.split("\n") if line]
        # The ExePath line has no line end of its own, so the progress line runs into it.
        parsed = [LINE.match(line) for line in lines]
        self.assertTrue(all(parsed), lines)
        functions = [m.group(3) for m in parsed]
        self.assertEqual(functions[0], "CDownloadInstaller::Start")
        self.assertEqual(parsed[0].group(5), "DL_TYPE=3")
        self.assertIn("ExePath: C:\\Program Files\\LumaCut\\lumacutout.exe<P", lines[1])
        self.assertIn("progress:50.000000%  speed:1.500000 ", lines[1])
        self.assertEqual(functions.count("Utils::Thread::CallBack"), 2)
        self.assertEqual(functions[-1], "Sample::End")

        main_thread = parsed[0].group(2)
        worker = [m for m in parsed if m.group(3) == "CMTCurlDownloader::Start_Down"]
        self.assertEqual(len(worker), 1)
        self.assertNotEqual(worker[0].group(2), main_thread)
        self.assertTrue(all(m.group(1) == parsed[0].group(1) for m in parsed), "one process id")

    def test_a_program_that_cannot_start_is_a_usage_error(self):
        result = run(CLI, "trace", "--", "C:\\no\\such\\program.exe")
        self.assertEqual(result.returncode, 2)
        self.assertIn("cannot start", result.stderr)

    def test_missing_program_is_bad_usage(self):
        self.assertEqual(run(CLI, "trace").returncode, 2)
        self.assertEqual(run(CLI, "no-such-subcommand").returncode, 2)


if __name__ == "__main__":
    unittest.main()
