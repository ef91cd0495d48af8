"""The download server of the test world: nginx with a configuration generated per run.

NginxWorld(folder) serves folder/root over plain HTTP on 127.0.0.1 and over TLS on localhost
(the test certificate of .deps/certs), both on ports chosen free at start. Packages are made of
random bytes at run time and stored as /packages/<dir>/<name>, <dir> being their MD5 unless told
otherwise; redirects such as /software/462 -> /packages/<md5>/LumaCutSetup.exe are added with
redirect(). The access log records method, path, Range header, status and bytes sent, so tests
can check what the downloaders asked for. Use it as a context manager: nginx is stopped on exit.

The downloaders trust the TLS listener when the environment variable LUMACUT_CA_BUNDLE names
CA_BUNDLE (as a Windows path): they hand it to libcurl as the CA file, verification stays on, and
the shared Wine prefix's root store is left alone.
"""

import hashlib
import os
import pathlib
import shutil
import socket
import subprocess
import time

NGINX = "/usr/sbin/nginx"
SOURCE_DIR = pathlib.Path(__file__).resolve().parents[3]
CERTS = SOURCE_DIR / ".deps" / "certs"
CA_BUNDLE = CERTS / "ca.pem"


def free_port() -> int:
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def make_package(path: pathlib.Path, size: int) -> str:
    """Writes `size` random bytes to `path` (in 1 MiB blocks) and returns their MD5."""
    digest = hashlib.md5()
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "wb") as out:
        left = size
        while left:
            block = os.urandom(min(left, 1 << 20))
            digest.update(block)
            out.write(block)
            left -= len(block)
    return digest.hexdigest()


class Package:
    def __init__(self, path: str, file: pathlib.Path, md5: str):
        self.path = path  # address path on the server
        self.file = file  # the file nginx serves
        self.md5 = md5

    def data(self) -> bytes:
        return self.file.read_bytes()


class NginxWorld:
    def __init__(self, folder, limit_rate: str | None = None):
        self.folder = pathlib.Path(folder)
        self.root = self.folder / "root"
        self.root.mkdir(parents=True, exist_ok=True)
        self.limit_rate = limit_rate
        self.redirects: dict[str, str] = {}
        self.process = None
        self.http_port = self.https_port = 0

    # --- content -----------------------------------------------------------------------------

    def add_package(self, size: int, name: str = "LumaCutSetup.exe", directory: str | None = None) -> Package:
        """A package of `size` random bytes at /packages/<directory or its md5>/<name>."""
        staging = self.folder / "staging.bin"
        md5 = make_package(staging, size)
        relative = f"packages/{directory if directory is not None else md5}/{name}"
        target = self.root / relative
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.move(staging, target)
        return Package("/" + relative, target, md5)

    def add_file(self, source, name: str = "LumaCutSetup.exe") -> Package:
        """A copy of an existing file at /packages/<its md5>/<name>."""
        md5 = hashlib.md5(pathlib.Path(source).read_bytes()).hexdigest()
        relative = f"packages/{md5}/{name}"
        target = self.root / relative
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, target)
        return Package("/" + relative, target, md5)

    def redirect(self, source: str, target: str):
        """`source` answers 302 with Location `target` (a path on the same server)."""
        self.redirects[source] = target

    def http_url(self, path: str) -> str:
        return f"http://127.0.0.1:{self.http_port}{path}"

    def https_url(self, path: str) -> str:
        return f"https://localhost:{self.https_port}{path}"

    # --- the server ----------------------------------------------------------------------------

    def _config(self) -> str:
        redirects = "".join(
            f"        location = {source} {{ return 302 {target}; }}\n" for source, target in self.redirects.items())
        limit = f"        limit_rate {self.limit_rate};\n" if self.limit_rate else ""
        server_body = (
            f"        root {self.root};\n"
            f"{limit}"
            f"{redirects}"
            "        location / { }\n")
        return (
            ("user root;\n" if os.geteuid() == 0 else "")
            + "worker_processes 1;\n"
            f"pid {self.folder}/nginx.pid;\n"
            f"error_log {self.folder}/error.log;\n"
            "events { worker_connections 64; }\n"
            "http {\n"
            "    default_type application/octet-stream;\n"
            "    sendfile on;\n"
            "    gzip off;\n"
            "    log_format world '$request_method $uri \"$http_range\" $status $body_bytes_sent';\n"
            f"    access_log {self.folder}/access.log world;\n"
            f"    client_body_temp_path {self.folder}/tmp_body;\n"
            f"    proxy_temp_path {self.folder}/tmp_proxy;\n"
            f"    fastcgi_temp_path {self.folder}/tmp_fastcgi;\n"
            f"    uwsgi_temp_path {self.folder}/tmp_uwsgi;\n"
            f"    scgi_temp_path {self.folder}/tmp_scgi;\n"
            "    server {\n"
            f"        listen 127.0.0.1:{self.http_port};\n"
            f"{server_body}"
            "    }\n"
            "    server {\n"
            f"        listen 127.0.0.1:{self.https_port} ssl;\n"
            "        server_name localhost;\n"
            f"        ssl_certificate {CERTS / 'server.pem'};\n"
            f"        ssl_certificate_key {CERTS / 'server.key'};\n"
            f"{server_body}"
            "    }\n"
            "}\n")

    def start(self):
        self.http_port, self.https_port = free_port(), free_port()
        conf = self.folder / "nginx.conf"
        conf.write_text(self._config())
        self.process = subprocess.Popen(
            [NGINX, "-p", str(self.folder), "-c", str(conf), "-g", "daemon off;"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise RuntimeError("nginx did not start: " + self.process.stderr.read().decode(errors="replace"))
            try:
                socket.create_connection(("127.0.0.1", self.https_port), timeout=0.5).close()
                socket.create_connection(("127.0.0.1", self.http_port), timeout=0.5).close()
                return self
            except OSError:
                time.sleep(0.05)
        self.stop()
        raise RuntimeError("nginx did not open its ports")

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process:
            self.process.stderr.close()
        self.process = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def requests(self) -> list[tuple[str, str, str, int]]:
        """(method, path, Range header or "", status) of every request served so far."""
        log = self.folder / "access.log"
        entries = []
        for line in log.read_text().splitlines() if log.exists() else []:
            method, path, rest = line.split(" ", 2)
            quoted, status, _ = rest.rsplit(" ", 2)
            entries.append((method, path, "" if quoted == '"-"' else quoted.strip('"'), int(status)))
        return entries
