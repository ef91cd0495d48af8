"""A small HTTP server for the download faults nginx cannot make.

FaultServer serves packages registered with add(path, data, ...) on 127.0.0.1 at a free port.
Each GET of a path takes the next action of that path's script; when the script is used up it
is answered normally (whole or by Range, 206 with Content-Range). Actions:

    ("ok",)                  answer normally
    ("drop", n)              announce the full answer, send n bytes of it, close the connection
    ("stall", n)             send n bytes, then send nothing until `stall_seconds` passed, then close
    ("status", code)         answer with that status and a short body
    ("close",)               close the connection without answering
    ("overshoot", extra)     answer a Range request with `extra` bytes past the asked-for end

HEAD answers with head_status (default 200) and head_length (default the real length).
Every request is recorded as (method, path, Range header or "") in `log`. Use it as a context
manager: the server thread is stopped and joined on exit.
"""

import http.server
import re
import socket
import threading
import time

RANGE = re.compile(r"bytes=(\d+)-(\d*)$")


class Route:
    def __init__(self, data: bytes, script, head_status: int, head_length: int | None):
        self.data = data
        self.script = list(script)
        self.head_status = head_status
        self.head_length = len(data) if head_length is None else head_length


class FaultServer:
    def __init__(self, stall_seconds: float = 8.0):
        self.routes: dict[str, Route] = {}
        self.log: list[tuple[str, str, str]] = []
        self.stall_seconds = stall_seconds
        self._lock = threading.Lock()
        self._stopping = threading.Event()
        self._server = None
        self._thread = None

    def add(self, path: str, data: bytes, script=(), head_status: int = 200, head_length: int | None = None):
        self.routes[path] = Route(data, script, head_status, head_length)

    def url(self, path: str) -> str:
        return f"http://127.0.0.1:{self._server.server_address[1]}{path}"

    def requests(self, method: str | None = None, path: str | None = None):
        with self._lock:
            return [entry for entry in self.log
                    if (method is None or entry[0] == method) and (path is None or entry[1] == path)]

    def _next_action(self, route: Route):
        with self._lock:
            return route.script.pop(0) if route.script else ("ok",)

    def start(self):
        world = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def log_message(self, *args):
                pass

            def _record(self):
                with world._lock:
                    world.log.append((self.command, self.path, self.headers.get("Range", "")))
                return world.routes.get(self.path)

            def _simple(self, status: int, length: int | None = None, body: bool = True):
                text = f"status {status}\n".encode()
                self.send_response(status)
                self.send_header("Content-Length", str(len(text) if length is None else length))
                self.send_header("Connection", "close")
                self.end_headers()
                if body:
                    self.wfile.write(text)
                self.close_connection = True

            def do_HEAD(self):
                route = self._record()
                if route is None:
                    return self._simple(404, body=False)
                if route.head_status >= 300:
                    return self._simple(route.head_status, body=False)
                self.send_response(route.head_status)
                self.send_header("Content-Length", str(route.head_length))
                self.send_header("Accept-Ranges", "bytes")
                self.send_header("Connection", "close")
                self.end_headers()
                self.close_connection = True

            def do_GET(self):
                route = self._record()
                if route is None:
                    return self._simple(404)
                action = world._next_action(route)
                if action[0] == "close":
                    self.close_connection = True
                    self.connection.shutdown(socket.SHUT_RDWR)
                    return
                if action[0] == "status":
                    return self._simple(action[1])
                data, first, last = route.data, 0, len(route.data) - 1
                match = RANGE.match(self.headers.get("Range", ""))
                if match:
                    first = int(match.group(1))
                    if match.group(2):
                        last = min(int(match.group(2)), len(data) - 1)
                    if first > last:
                        return self._simple(416)
                body = data[first:last + 1]
                if action[0] == "overshoot" and match:
                    body = data[first:last + 1 + action[1]]
                self.send_response(206 if match else 200)
                if match:
                    self.send_header("Content-Range", f"bytes {first}-{last}/{len(data)}")
                self.send_header("Content-Length", str(last - first + 1))
                self.send_header("Connection", "close")
                self.end_headers()
                self.close_connection = True
                try:
                    if action[0] in ("drop", "stall"):
                        self.wfile.write(body[:action[1]])
                        self.wfile.flush()
                        if action[0] == "stall":
                            world._stopping.wait(world.stall_seconds)
                        self.connection.shutdown(socket.SHUT_RDWR)
                        return
                    self.wfile.write(body)
                except OSError:
                    pass  # the client gave up; that is its business

        class Server(http.server.ThreadingHTTPServer):
            daemon_threads = True
            allow_reuse_address = True

        self._server = Server(("127.0.0.1", 0), Handler)
        self._thread = threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.1})
        self._thread.start()
        return self

    def stop(self):
        self._stopping.set()
        if self._server:
            self._server.shutdown()
            self._server.server_close()
            self._thread.join(timeout=10)
        self._server = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()
