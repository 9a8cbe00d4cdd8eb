#!/usr/bin/env python3
"""HTTP test server for the suite: 127.0.0.1, a free port, printed on the
first line of standard output. Standard library only.

Routes:
  /text?body=B            200 with body B (UTF-8)
  /version                200 with body " 2.1.0 \\r\\n"
  /status/N               status N with a short body
  /redirect?to=U[&code=C] redirect (302 or C) to U
  /loop                   redirects to itself
  /slow?delay=MS[&chunks=N]  headers at once, then N 16-byte chunks, MS apart
  /cut?size=N             announces N bytes, sends half, closes
  /bytes?size=N           N bytes, byte k being k % 251, streamed fast
  /endless                a body that never ends
  /hugeheaders[?size=N]   about N bytes of headers (1 MiB by default)
  /echo-headers           the request's header lines as the body
A request naming an absolute http:// address is served as a proxy would
(answering it itself, with "Via: kavro-test-proxy").

--tls DIR [--wrong-name]: HTTPS with a certificate signed by a CA made with
the openssl command in DIR (DIR/ca.pem), for 127.0.0.1 and localhost, or
with --wrong-name for wrong-name.invalid only. Exit status 3 when openssl
is missing.
"""
import argparse
import http.server
import os
import shutil
import socket
import ssl
import subprocess
import sys
import time
import urllib.parse

PATTERN = bytes(k % 251 for k in range(251)) * 261  # 65511 bytes, whole periods


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "KavroTest/1.0"

    def log_message(self, *args):
        pass

    def send_body(self, body, status=200, ctype="text/plain; charset=utf-8", extra=()):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for name, value in extra:
            self.send_header(name, value)
        if self.proxied:
            self.send_header("Via", "kavro-test-proxy")
        self.end_headers()
        self.wfile.write(body)

    def head_only(self, status=200, length=None):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        self.end_headers()
        self.wfile.flush()

    def do_GET(self):
        target = self.path
        self.proxied = target.startswith("http://")
        if self.proxied:
            parts = urllib.parse.urlsplit(target)
            target = parts.path + ("?" + parts.query if parts.query else "")
        url = urllib.parse.urlsplit(target)
        query = dict(urllib.parse.parse_qsl(url.query, keep_blank_values=True))
        path = url.path
        try:
            self.route(path, query)
        except (BrokenPipeError, ConnectionResetError, ssl.SSLError, OSError):
            self.close_connection = True

    def route(self, path, query):
        if path == "/text":
            self.send_body(query.get("body", "").encode("utf-8"))
        elif path == "/version":
            self.send_body(b" 2.1.0 \r\n")
        elif path.startswith("/status/"):
            code = int(path[len("/status/"):])
            self.send_body(("status %d\n" % code).encode(), status=code)
        elif path == "/redirect":
            self.send_body(b"moved\n", status=int(query.get("code", "302")), extra=[("Location", query["to"])])
        elif path == "/loop":
            self.send_body(b"again\n", status=302, extra=[("Location", "/loop")])
        elif path == "/slow":
            chunks, delay = int(query.get("chunks", "5")), int(query.get("delay", "200")) / 1000.0
            self.head_only(length=16 * chunks)
            for i in range(chunks):
                time.sleep(delay)
                self.wfile.write(b"slow-chunk-%04d\n" % i)
                self.wfile.flush()
        elif path == "/cut":
            # Headers and the half body in one write, then the close, so that
            # a small body and its end can arrive together.
            size = int(query["size"])
            head = "HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: %d\r\n\r\n" % size
            body = (PATTERN * (size // 2 // len(PATTERN) + 1))[: size // 2]
            self.wfile.write(head.encode("ascii") + body)
            self.close_connection = True
        elif path == "/bytes":
            size = int(query["size"])
            self.head_only(length=size)
            self.write_pattern(size)
        elif path == "/endless":
            self.head_only()
            while True:
                self.wfile.write(PATTERN)
        elif path == "/hugeheaders":
            size = int(query.get("size", str(1 << 20)))
            self.send_response(200)
            filler = "a" * 1000
            for i in range(size // 1024 + 1):
                self.send_header("X-Filler-%d" % i, filler)
            self.send_header("Content-Length", "2")
            self.end_headers()
            self.wfile.write(b"ok")
        elif path == "/echo-headers":
            self.send_body(str(self.headers).encode("latin-1"))
        else:
            self.send_body(b"no such route\n", status=404)

    def write_pattern(self, size):
        view = memoryview(PATTERN)
        while size > 0:
            n = min(size, len(PATTERN))
            self.wfile.write(view[:n])
            size -= n


def make_certificates(folder, wrong_name):
    if not shutil.which("openssl"):
        sys.exit(3)
    os.makedirs(folder, exist_ok=True)
    ca_key, ca = os.path.join(folder, "ca.key"), os.path.join(folder, "ca.pem")
    name = "wrong" if wrong_name else "server"
    key, csr, cert = (os.path.join(folder, name + ext) for ext in (".key", ".csr", ".pem"))
    ext_file = os.path.join(folder, name + ".ext")

    def run(*args):
        subprocess.run(["openssl", *args], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    if not os.path.exists(ca):
        run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key, "-out", ca, "-days", "2",
            "-subj", "/CN=Kavro Test CA")
    if not os.path.exists(cert):
        with open(ext_file, "w") as f:
            f.write("subjectAltName=" + ("DNS:wrong-name.invalid" if wrong_name else "IP:127.0.0.1,DNS:localhost") + "\n")
        run("req", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", csr, "-subj", "/CN=kavro-test")
        run("x509", "-req", "-in", csr, "-CA", ca, "-CAkey", ca_key, "-CAcreateserial", "-out", cert, "-days", "2",
            "-extfile", ext_file)
    return cert, key


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 64


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tls")
    parser.add_argument("--wrong-name", action="store_true")
    args = parser.parse_args()
    server = Server(("127.0.0.1", 0), Handler)
    if args.tls:
        cert, key = make_certificates(args.tls, args.wrong_name)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(cert, key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
