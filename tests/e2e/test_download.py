"""installer-cli download against the real nginx and the fault server, every downloader type."""

import os
import pathlib
import shutil
import tempfile
import time
import unittest

from harness import BUILD_DIR, ScratchDir, run, windows_path
from servers.fault_server import FaultServer
from servers.nginx_world import CA_BUNDLE, CERTS, NginxWorld, free_port, make_package

CLI = BUILD_DIR / "installer-cli.exe"
MiB = 1 << 20
SINGLE, SYSTEM, MULTI = 1, 2, 3


class Outcome:
    def __init__(self, result):
        self.exit_code = result.returncode
        self.events = []
        for line in result.stdout.splitlines():
            code, value, text = line.split("\t")
            self.events.append((int(code), float(value), text))
        self.stderr = result.stderr

    def final(self):
        """The events without progress reports."""
        return [event for event in self.events if event[0] != 1002]

    def progress(self):
        return [value for code, value, _ in self.events if code == 1002]


def download(url, destination, download_type=SINGLE, ca_bundle=CA_BUNDLE, timeout=120) -> Outcome:
    """Runs installer-cli download; the downloaders trust the certificates in `ca_bundle`."""
    env = dict(os.environ, LUMACUT_CA_BUNDLE=windows_path(ca_bundle))
    return Outcome(run(CLI, "download", f"--type={download_type}", url, windows_path(destination), env=env,
                       timeout=timeout))


def retry_then_fail(reason_text):
    """A checksum mismatch: one 1005, the whole download again, then 1004."""
    return [(1001, 1.0, ""), (1006, 0.0, reason_text), (1005, 0.0, "LibCurl"),
            (1001, 1.0, ""), (1006, 0.0, reason_text), (1004, 0.0, "LibCurl")]


class NginxDownloadTest(unittest.TestCase):
    """Normal downloads and checksum rules against one nginx shared by the cases."""

    @classmethod
    def setUpClass(cls):
        cls.folder = pathlib.Path(tempfile.mkdtemp(prefix="lumacut-nginx-"))
        cls.world = NginxWorld(cls.folder)
        cls.package = cls.world.add_package(3 * MiB + 7)
        cls.world.redirect("/software/462", cls.package.path)
        cls.small = cls.world.add_package(900 * 1024)
        cls.split = cls.world.add_package(20971521)
        cls.wrong = cls.world.add_package(2 * MiB, directory="0123456789abcdef0123456789abcdef")
        cls.upper = cls.world.add_package(2 * MiB, name="Upper.exe")
        upper_dir = cls.upper.file.parent.with_name(cls.upper.md5.upper())
        cls.upper.file.parent.rename(upper_dir)
        cls.upper.path = f"/packages/{cls.upper.md5.upper()}/Upper.exe"
        cls.short_dir = cls.world.add_package(2 * MiB, directory="0123456789abcdef0123456789abcde")
        cls.spaced = cls.world.add_package(2 * MiB, name="Lumacut+Setup.exe")
        cls.world.start()

    @classmethod
    def tearDownClass(cls):
        cls.world.stop()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def gets(self, path):
        return [entry for entry in self.world.requests() if entry[0] == "GET" and entry[1] == path]

    def assert_progress_sane(self, outcome):
        values = outcome.progress()
        self.assertTrue(all(0 < value <= 1 for value in values), values)

    def test_every_type_delivers_the_package_byte_identical(self):
        cases = [
            ("single-stream over http", SINGLE, self.world.http_url("/software/462"), "LibCurl"),
            ("single-stream over https", SINGLE, self.world.https_url("/software/462"), "LibCurl"),
            ("multi-part over http", MULTI, self.world.http_url("/software/462"), "LibCurl"),
            ("multi-part over https", MULTI, self.world.https_url("/software/462"), "LibCurl"),
            ("system over http", SYSTEM, self.world.http_url("/software/462"), "URLDownloadToFile"),
        ]
        for name, download_type, url, text in cases:
            with self.subTest(name), ScratchDir() as folder:
                outcome = download(url, folder / "pkg.exe", download_type)
                self.assertEqual(outcome.final(), [(1001, 1.0, ""), (1003, 0.0, text)], outcome.stderr)
                self.assertEqual(outcome.exit_code, 0)
                self.assert_progress_sane(outcome)
                self.assertEqual((folder / "pkg.exe").read_bytes(), self.package.data())
                self.assertEqual(sorted(p.name for p in folder.iterdir()), ["pkg.exe"])

    def test_unknown_types_select_the_single_stream_downloader(self):
        for download_type in (0, 4, -1):
            with self.subTest(download_type), ScratchDir() as folder:
                outcome = download(self.world.http_url(self.package.path), folder / "pkg.exe", download_type)
                self.assertEqual(outcome.exit_code, 0)
                # One whole GET without a range: neither the ranged nor the system downloader.
                self.assertEqual(self.gets(self.package.path)[-1][2], "")
                self.assertEqual((folder / "pkg.exe").read_bytes(), self.package.data())

    def test_tls_certificates_are_verified(self):
        # The server's own certificate as the only trusted one: its chain leads to no trusted root.
        with ScratchDir() as folder:
            outcome = download(self.world.https_url("/software/462"), folder / "pkg.exe", MULTI,
                               ca_bundle=CERTS / "server.pem")
        self.assertEqual(outcome.events, [(1001, 1.0, ""), (1004, 0.0, "LibCurl")])
        self.assertEqual(outcome.exit_code, 1)

    def test_single_stream_refuses_a_package_under_one_mib_after_its_budget(self):
        with ScratchDir() as folder:
            outcome = download(self.world.http_url(self.small.path), folder / "pkg.exe", SINGLE)
            self.assertFalse((folder / "pkg.exe").exists())
        self.assertEqual(outcome.events, [(1001, 1.0, ""), (1004, -998.0, "LibCurl")])
        self.assertEqual(outcome.exit_code, 1)
        # Six attempts of three header-only look-ups each, and never a GET.
        heads = [entry for entry in self.world.requests() if entry[1] == self.small.path]
        self.assertEqual([entry[0] for entry in heads], ["HEAD"] * 18)

    def test_checksum_rules(self):
        cases = [
            ("mismatch, single-stream", SINGLE, self.wrong, retry_then_fail("curl文件md5校验失败"), 2),
            ("upper case, single-stream", SINGLE, self.upper, retry_then_fail("curl文件md5校验失败"), 2),
            ("mismatch, multi-part", MULTI, self.wrong, retry_then_fail("mtcurl文件md5校验失败"), 2),
            ("upper case, multi-part", MULTI, self.upper, retry_then_fail("mtcurl文件md5校验失败"), 2),
            ("31 characters, single-stream", SINGLE, self.short_dir,
             [(1001, 1.0, ""), (1006, 0.0, "curl获取url-md5失败"), (1003, 0.0, "LibCurl")], 1),
            ("31 characters, multi-part", MULTI, self.short_dir,
             [(1001, 1.0, ""), (1006, 0.0, "mtcurl获取url-md5失败"), (1003, 0.0, "LibCurl")], 1),
        ]
        for name, download_type, package, expected, downloads in cases:
            with self.subTest(name), ScratchDir() as folder:
                before = len(self.gets(package.path))
                outcome = download(self.world.http_url(package.path), folder / "pkg.exe", download_type)
                self.assertEqual(outcome.final(), expected)
                self.assertEqual(outcome.exit_code, 0 if expected[-1][0] == 1003 else 1)
                self.assertEqual(len(self.gets(package.path)) - before, downloads)
                if expected[-1][0] == 1003:
                    self.assertEqual((folder / "pkg.exe").read_bytes(), package.data())
                # Nothing is left behind but the package itself (a failed multi-part run deletes it).
                self.assertLessEqual({p.name for p in folder.iterdir()}, {"pkg.exe"})

    def test_unwritable_destinations_fail_after_the_retry_rules(self):
        cases = [
            ("single-stream, missing folder", SINGLE, "missing/pkg.exe",
             [(1001, 1.0, ""), (1004, -996.0, "LibCurl")], 0),
            # The package arrives once; later attempts find it complete in the partial file.
            ("single-stream, destination is a folder", SINGLE, "pkg.exe",
             [(1001, 1.0, ""), (1004, -995.0, "LibCurl")], 1),
            ("multi-part, missing folder", MULTI, "missing/pkg.exe",
             [(1001, 1.0, ""), (1005, -2.0, "LibCurl"), (1001, 1.0, ""), (1004, -2.0, "LibCurl")], 0),
            ("multi-part, destination is a folder", MULTI, "pkg.exe",
             [(1001, 1.0, ""), (1005, -3.0, "LibCurl"), (1001, 1.0, ""), (1004, -3.0, "LibCurl")], 2),
        ]
        for name, download_type, destination, expected, downloads in cases:
            with self.subTest(name), ScratchDir() as folder:
                (folder / "pkg.exe").mkdir()
                before = len(self.gets(self.short_dir.path))
                outcome = download(self.world.http_url(self.short_dir.path), folder / destination, download_type)
                self.assertEqual(outcome.final(), expected)
                self.assertEqual(outcome.exit_code, 1)
                self.assertEqual(len(self.gets(self.short_dir.path)) - before, downloads)

    def test_multi_part_splits_at_ten_mib_units(self):
        cases = [
            ("under 20 MiB: one range", self.package, ["bytes=0-3145734"]),
            ("20971521 bytes: two ranges", self.split, ["bytes=0-10485759", "bytes=10485760-20971520"]),
        ]
        for name, package, ranges in cases:
            with self.subTest(name), ScratchDir() as folder:
                before = len(self.gets(package.path))
                outcome = download(self.world.http_url(package.path), folder / "pkg.exe", MULTI)
                self.assertEqual(outcome.final()[-1], (1003, 0.0, "LibCurl"))
                self.assertEqual(sorted(entry[2] for entry in self.gets(package.path)[before:]), ranges)
                self.assertEqual((folder / "pkg.exe").read_bytes(), package.data())

    def test_trace_names_the_functions_of_the_catalogue(self):
        with ScratchDir() as folder:
            result = run(CLI, "trace", "--", windows_path(CLI), "download", "--type=3",
                         self.world.http_url(self.wrong.path), windows_path(folder / "pkg.exe"))
            mismatch = result.stdout
            result = run(CLI, "trace", "--", windows_path(CLI), "download", "--type=1",
                         self.world.http_url(self.small.path), windows_path(folder / "pkg.exe"))
            refused = result.stdout

        def messages(trace, function):
            return [line.split(": ", 1)[1] for line in trace.splitlines() if f"({function})<" in line]

        self.assertEqual(messages(mismatch, "CMTCurlDownloader::waitForFinishThreadFun"),
                         ["finish recv, md5 chaek failed retry once.",
                          "finish recv, md5 chaek failed and retry failed."])
        self.assertEqual(messages(mismatch, "CMTCurlDownloader::getRealDownloadUrl"),
                         [f"Download File real url {self.world.http_url(self.wrong.path)}",
                          f"Download File Length {2 * MiB}"])
        self.assertEqual(messages(mismatch, "CMTCurlDownloader::Start_Down"), ["start download"] * 2)
        self.assertEqual(messages(refused, "CCurlDownloader::dlThreadFun"), ["CurlDownLoader Code=-998"] * 5)
        self.assertEqual(messages(refused, "CurlClient::Start").count("start download"), 6)

    def test_bad_usage_exits_2(self):
        for args in ([], ["only-url"], ["--type=x", "u", "d"], ["--bogus", "u", "d"], ["a", "b", "c"]):
            with self.subTest(args):
                self.assertEqual(run(CLI, "download", *args).returncode, 2)

    def test_system_downloader_escapes_spaces(self):
        url = self.world.http_url(self.spaced.path.replace("+", " "))
        with ScratchDir() as folder:
            outcome = download(url, folder / "pkg.exe", SYSTEM)
            self.assertEqual(outcome.final(), [(1001, 1.0, ""), (1003, 0.0, "URLDownloadToFile")])
            self.assertEqual((folder / "pkg.exe").read_bytes(), self.spaced.data())
        self.assertEqual(len(self.gets(self.spaced.path)), 1)


class FaultDownloadTest(unittest.TestCase):
    """Faults nginx cannot make, one fault server per case."""

    def setUp(self):
        self.scratch = ScratchDir()
        self.folder = self.scratch.__enter__()
        self.server = FaultServer(stall_seconds=8).start()

    def tearDown(self):
        self.server.stop()
        self.scratch.__exit__(None, None, None)

    def package(self, size, script=(), **route):
        staging = self.folder / "source.bin"
        md5 = make_package(staging, size)
        data = staging.read_bytes()
        path = f"/packages/{md5}/LumaCutSetup.exe"
        self.server.add(path, data, script, **route)
        return path, data

    def ranges(self, path):
        return [entry[2] for entry in self.server.requests("GET", path)]

    def test_single_stream_resumes_a_dropped_connection_from_the_bytes_on_disk(self):
        path, data = self.package(3 * MiB, [("drop", MiB + 12345)])
        outcome = download(self.server.url(path), self.folder / "pkg.exe", SINGLE)
        self.assertEqual(outcome.final(), [(1001, 1.0, ""), (1003, 0.0, "LibCurl")])
        self.assertEqual(self.ranges(path), ["", f"bytes={MiB + 12345}-"])
        self.assertEqual((self.folder / "pkg.exe").read_bytes(), data)

    def test_single_stream_gives_up_a_stalled_transfer_and_resumes_it(self):
        path, data = self.package(2 * MiB, [("stall", 500000)])
        outcome = download(self.server.url(path), self.folder / "pkg.exe", SINGLE)
        self.assertEqual(outcome.final(), [(1001, 1.0, ""), (1003, 0.0, "LibCurl")])
        self.assertEqual(self.ranges(path), ["", "bytes=500000-"])
        self.assertEqual((self.folder / "pkg.exe").read_bytes(), data)

    def test_single_stream_http_404_spends_the_budget_with_code_22(self):
        path, _ = self.package(2 * MiB, [("status", 404)] * 10)
        outcome = download(self.server.url(path), self.folder / "pkg.exe", SINGLE)
        self.assertEqual(outcome.events, [(1001, 1.0, ""), (1004, 22.0, "LibCurl")])
        self.assertEqual(len(self.ranges(path)), 6)
        self.assertFalse((self.folder / "pkg.exe").exists())

    def test_multi_part_look_up_answered_404_fails_at_once(self):
        path, _ = self.package(2 * MiB, head_status=404)
        outcome = download(self.server.url(path), self.folder / "pkg.exe", MULTI)
        self.assertEqual(outcome.events, [(1001, 1.0, ""), (1004, 0.0, "LibCurl")])
        self.assertEqual(self.ranges(path), [])

    def test_multi_part_package_cut_to_a_wrongly_announced_length_fails_its_checksum(self):
        path, _ = self.package(2 * MiB, head_length=2 * MiB - 1000)
        outcome = download(self.server.url(path), self.folder / "pkg.exe", MULTI)
        self.assertEqual(outcome.final(), retry_then_fail("mtcurl文件md5校验失败"))
        self.assertEqual(self.ranges(path), [f"bytes=0-{2 * MiB - 1001}"] * 2)
        self.assertFalse((self.folder / "pkg.exe").exists())

    def test_multi_part_never_writes_more_than_the_range(self):
        path, data = self.package(3 * MiB, [("overshoot", 4096)])
        outcome = download(self.server.url(path), self.folder / "pkg.exe", MULTI)
        self.assertEqual(outcome.final(), [(1001, 1.0, ""), (1003, 0.0, "LibCurl")])
        # The refused surplus ends that attempt; the range is complete, so nothing is asked again.
        self.assertEqual(self.ranges(path), [f"bytes=0-{3 * MiB - 1}"])
        self.assertEqual((self.folder / "pkg.exe").read_bytes(), data)

    def test_multi_part_gives_up_a_stalled_range_and_resumes_it(self):
        path, data = self.package(2 * MiB, [("stall", 300000)])
        outcome = download(self.server.url(path), self.folder / "pkg.exe", MULTI)
        self.assertEqual(outcome.final(), [(1001, 1.0, ""), (1003, 0.0, "LibCurl")])
        self.assertEqual(self.ranges(path), [f"bytes=0-{2 * MiB - 1}", f"bytes=300000-{2 * MiB - 1}"])
        self.assertEqual((self.folder / "pkg.exe").read_bytes(), data)

    def test_multi_part_resumes_a_failed_range_on_the_restarted_run(self):
        half = 2 * MiB
        # After the drop (cost 1) seven failures (cost 2 each) spend the range's budget of 12.
        path, data = self.package(4 * MiB, [("drop", half)] + [("status", 500)] * 7)
        outcome = download(self.server.url(path), self.folder / "pkg.exe", MULTI)
        self.assertEqual(outcome.final(), [(1001, 1.0, ""), (1005, 22.0, "LibCurl"), (1001, 1.0, ""),
                                           (1003, 0.0, "LibCurl")])
        requested = self.ranges(path)
        self.assertEqual(len(requested), 9)
        self.assertEqual(requested[-1], f"bytes={half}-{4 * MiB - 1}")
        self.assertEqual((self.folder / "pkg.exe").read_bytes(), data)

    def test_system_downloader_makes_three_attempts_then_fails_with_the_hresult(self):
        # The platform's URL service reports HTTP errors and cut transfers as success, so the
        # failure here is an unreachable server (a port nobody listens on).
        started = time.monotonic()
        outcome = download(f"http://127.0.0.1:{free_port()}/LumaCutSetup.exe", self.folder / "pkg.exe", SYSTEM)
        self.assertEqual([(code, text) for code, _, text in outcome.events],
                         [(1001, ""), (1004, "URLDownloadToFile")])
        self.assertLess(outcome.events[-1][1], 0)  # a failing HRESULT
        # Three attempts, each followed by its one-second pause.
        self.assertGreaterEqual(time.monotonic() - started, 3.0)


if __name__ == "__main__":
    unittest.main()
