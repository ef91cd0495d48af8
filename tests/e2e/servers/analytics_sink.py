"""The analytics endpoint of the test world: HTTPS on localhost, decodes every batch and keeps it.

The request body is "data_list=" + percent-encoded Base64 of a gzip-compressed JSON array, then
"&gzip=1". Every request is kept with its decoded records (or its decoding error). The sink
answers with a chosen status, or not at all: "silent" reads the request and never answers,
"close" drops the connection without a response.

Run directly it serves until interrupted and prints each record as one JSON line.
"""

import argparse
import base64
import gzip
import http.server
import json
import pathlib
import ssl
import sys
import threading
import time
import urllib.parse

CERTS = pathlib.Path(__file__).resolve().parents[3] / ".deps" / "certs"


def decode_body(body: bytes):
    """The records of one request body; raises ValueError when it is not a valid batch."""
    fields = urllib.parse.parse_qs(body.decode("ascii"), keep_blank_values=True, strict_parsing=True)
    if fields.get("gzip") != ["1"] or len(fields.get("data_list", [])) != 1:
        raise ValueError(f"unexpected form fields {sorted(fields)}")
    compressed = base64.b64decode(fields["data_list"][0], validate=True)
    records = json.loads(gzip.decompress(compressed).decode("utf-8"))
    if not isinstance(records, list):
        raise ValueError("the batch is not a JSON array")
    return records


class Request:
    def __init__(self, path, headers, body, status):
        self.path = path
        self.headers = headers
        self.body = body
        self.status = status  # what the sink answered: a code, "silent" or "close"
        try:
            self.records, self.error = decode_body(body), None
        except Exception as error:  # kept for the test to report
            self.records, self.error = [], repr(error)


class AnalyticsSink:
    def __init__(self, certfile=CERTS / "server.pem", keyfile=CERTS / "server.key", host="127.0.0.1", port=0):
        self._lock = threading.Condition()
        self._requests = []
        self._answer = 200
        self._released = threading.Event()
        sink = self

        class Handler(http.server.BaseHTTPRequestHandler):
            protocol_version = "HTTP/1.1"

            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0"))
                body = self.rfile.read(length)
                answer = sink.answer
                with sink._lock:
                    sink._requests.append(Request(self.path, dict(self.headers), body, answer))
                    sink._lock.notify_all()
                if answer == "silent":
                    sink._released.wait(30)
                    self.close_connection = True
                    return
                if answer == "close":
                    self.close_connection = True
                    return
                payload = b"ok" if answer == 200 else f"status {answer}".encode()
                self.send_response(answer)
                if answer in (301, 302):
                    self.send_header("Location", "/elsewhere")
                if answer != 204:
                    self.send_header("Content-Length", str(len(payload)))
                self.send_header("Connection", "close")
                self.end_headers()
                if answer != 204:
                    self.wfile.write(payload)
                self.close_connection = True

            def log_message(self, *args):
                pass

        self._server = http.server.ThreadingHTTPServer((host, port), Handler)
        self._server.daemon_threads = True
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(str(certfile), str(keyfile))
        self._server.socket = context.wrap_socket(self._server.socket, server_side=True)
        self._thread = threading.Thread(target=self._server.serve_forever, daemon=True)

    @property
    def port(self) -> int:
        return self._server.server_address[1]

    @property
    def url(self) -> str:
        return f"https://localhost:{self.port}/sa?project=pc"

    @property
    def answer(self):
        with self._lock:
            return self._answer

    def answer_with(self, answer):
        """A status code, "silent" or "close" for the requests from now on."""
        with self._lock:
            self._answer = answer

    @property
    def requests(self):
        with self._lock:
            return list(self._requests)

    @property
    def accepted_records(self):
        """Records of the requests answered with 200, in arrival order."""
        return [record for request in self.requests if request.status == 200 for record in request.records]

    def wait_for_requests(self, count, timeout=10.0) -> bool:
        deadline = time.monotonic() + timeout
        with self._lock:
            while len(self._requests) < count:
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    return False
                self._lock.wait(remaining)
        return True

    def start(self):
        self._thread.start()
        return self

    def stop(self):
        self._released.set()
        self._server.shutdown()
        self._server.server_close()
        self._thread.join(5)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--status", default="200", help='a status code, "silent" or "close"')
    options = parser.parse_args()
    with AnalyticsSink(port=options.port) as sink:
        sink.answer_with(int(options.status) if options.status.isdigit() else options.status)
        print(sink.url, flush=True)
        seen = 0
        try:
            while True:
                sink.wait_for_requests(seen + 1, timeout=1.0)
                for request in sink.requests[seen:]:
                    for record in request.records:
                        print(json.dumps(record, ensure_ascii=False), flush=True)
                    if request.error:
                        print(f"undecodable request: {request.error}", file=sys.stderr, flush=True)
                seen = len(sink.requests)
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
