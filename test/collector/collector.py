#!/usr/bin/env python3
"""Loopback HTTPS stand-in for the event-collection service.

Records every request (path, headers, exact body) before answering, and
answers as the test asks. Standard library only.

State directory layout:
  port             the port listened on (written once listening)
  legacy_port      a second port that speaks only TLS 1.0/1.1 (when possible)
  pid              this process
  requests.jsonl   one JSON line per request
  bodies/<seq>.body  the exact body bytes of request <seq>
  control.json     optional default answer: {"mode": ...}
  rules/*.json     optional answers chosen by body content:
                   {"match": "<substring of the body>", "mode": ...};
                   the first matching file in name order wins
  collector.log    diagnostics

Each record: seq, time_ms, method, path, headers, body (UTF-8 text, bad
bytes replaced), body_file, mode, answer_source, tls_version.

Answer settings (rule, control file, or a request path /mode/<mode>/...):
  mode      "e0" (default), "e1", "no_e", "slow", "close"
  delay_ms  wait before answering in mode "slow" (default 7000)
  body      answer text used instead of the mode's text
  status    HTTP status (default 200)
"""

import argparse
import http.server
import json
import os
import socket
import ssl
import sys
import threading
import time

ANSWERS = {
    "e0": '{"e":0,"m":"ok"}',
    "e1": '{"e":1,"m":"rejected by collector"}',
    "no_e": '{"result":"ok"}',
    "slow": '{"e":0,"m":"ok"}',
}
DEFAULT_SLOW_MS = 7000


class Collector:
    def __init__(self, state_dir):
        self.state_dir = state_dir
        self.lock = threading.Lock()
        self.seq = 0
        os.makedirs(os.path.join(state_dir, "bodies"), exist_ok=True)
        os.makedirs(os.path.join(state_dir, "rules"), exist_ok=True)

    def log(self, text):
        with self.lock:
            with open(os.path.join(self.state_dir, "collector.log"), "a") as f:
                f.write(time.strftime("%H:%M:%S ") + text + "\n")

    def read_json(self, path):
        try:
            with open(path, "rb") as f:
                value = json.loads(f.read().decode("utf-8-sig"))
            return value if isinstance(value, dict) else None
        except (OSError, ValueError):
            return None

    def choose(self, path, body):
        parts = path.split("/")
        if len(parts) > 2 and parts[1] == "mode":
            return {"mode": parts[2]}, "path"
        rules_dir = os.path.join(self.state_dir, "rules")
        try:
            names = sorted(os.listdir(rules_dir))
        except OSError:
            names = []
        for name in names:
            if not name.endswith(".json"):
                continue
            rule = self.read_json(os.path.join(rules_dir, name))
            if not rule or not isinstance(rule.get("match"), str):
                continue
            if rule["match"].encode("utf-8") in body:
                return rule, "rule:" + name
        control = self.read_json(os.path.join(self.state_dir, "control.json"))
        if control:
            return control, "control"
        return {"mode": "e0"}, "default"

    def record(self, method, path, headers, body, mode, source, tls_version):
        with self.lock:
            self.seq += 1
            seq = self.seq
            body_file = os.path.join("bodies", "%d.body" % seq)
            with open(os.path.join(self.state_dir, body_file), "wb") as f:
                f.write(body)
            line = {
                "seq": seq,
                "time_ms": int(time.time() * 1000),
                "method": method,
                "path": path,
                "headers": headers,
                "body": body.decode("utf-8", "replace"),
                "body_file": body_file,
                "mode": mode,
                "answer_source": source,
                "tls_version": tls_version,
            }
            with open(os.path.join(self.state_dir, "requests.jsonl"), "a",
                      encoding="utf-8") as f:
                f.write(json.dumps(line, ensure_ascii=False) + "\n")
            return seq


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "CorvaneCollector/1.0"

    def log_message(self, format, *args):
        self.server.collector.log("%s %s" % (self.address_string(), format % args))

    def read_body(self):
        if "chunked" in (self.headers.get("Transfer-Encoding") or "").lower():
            body = b""
            while True:
                size = int(self.rfile.readline().strip().split(b";")[0], 16)
                if size == 0:
                    self.rfile.readline()
                    return body
                body += self.rfile.read(size)
                self.rfile.readline()
        length = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(length) if length > 0 else b""

    def handle_any(self):
        collector = self.server.collector
        body = self.read_body()
        answer, source = collector.choose(self.path, body)
        mode = str(answer.get("mode", "e0"))
        headers = {}
        for name, value in self.headers.items():
            headers[name] = headers[name] + ", " + value if name in headers else value
        try:
            tls_version = self.connection.version()
        except (AttributeError, ValueError):
            tls_version = None
        collector.record(self.command, self.path, headers, body, mode, source, tls_version)

        if mode == "close":
            # No answer at all: the connection just ends.
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return
        if mode == "slow":
            time.sleep(int(answer.get("delay_ms", DEFAULT_SLOW_MS)) / 1000.0)
        text = answer.get("body")
        if not isinstance(text, str):
            text = ANSWERS.get(mode, ANSWERS["e0"])
        data = text.encode("utf-8")
        self.send_response(int(answer.get("status", 200)))
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        try:
            self.wfile.write(data)
            self.wfile.flush()
        except OSError as error:
            collector.log("answer not delivered: %s" % error)

    do_POST = handle_any
    do_GET = handle_any
    do_PUT = handle_any


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def finish_request(self, request, client_address):
        # The handshake runs in the connection's thread, so a silent client
        # cannot hold up the others.
        try:
            connection = self.ssl_context.wrap_socket(request, server_side=True)
        except (ssl.SSLError, OSError) as error:
            self.collector.log("TLS handshake with %s failed: %s" % (client_address[0], error))
            return
        try:
            self.RequestHandlerClass(connection, client_address, self)
        finally:
            try:
                connection.close()
            except OSError:
                pass

    def handle_error(self, request, client_address):
        self.collector.log("error with %s: %s" % (client_address[0], sys.exc_info()[1]))


def start_legacy_listener(args, collector):
    """A second listener that speaks only TLS 1.0 and 1.1, so tests can check
    that clients refuse those protocols. Absent when OpenSSL refuses them."""
    try:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.minimum_version = ssl.TLSVersion.TLSv1
        context.maximum_version = ssl.TLSVersion.TLSv1_1
        context.set_ciphers("DEFAULT:@SECLEVEL=0")
        context.load_cert_chain(args.cert, args.key)
        legacy = Server(("127.0.0.1", args.legacy_port), Handler)
    except (ssl.SSLError, OSError, ValueError) as error:
        collector.log("no legacy TLS listener: %s" % error)
        return
    legacy.ssl_context = context
    legacy.collector = collector
    write_port_file(args.dir, "legacy_port", legacy.server_address[1])
    collector.log("legacy TLS 1.0/1.1 listener on 127.0.0.1:%d" % legacy.server_address[1])
    threading.Thread(target=legacy.serve_forever, daemon=True).start()


def write_port_file(state_dir, name, port):
    with open(os.path.join(state_dir, name + ".tmp"), "w") as f:
        f.write("%d\n" % port)
    os.replace(os.path.join(state_dir, name + ".tmp"), os.path.join(state_dir, name))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--dir", required=True)
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--legacy-port", type=int, default=0)
    args = parser.parse_args()

    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_2
    context.load_cert_chain(args.cert, args.key)

    server = Server(("127.0.0.1", args.port), Handler)
    server.ssl_context = context
    server.collector = Collector(args.dir)
    port = server.server_address[1]
    with open(os.path.join(args.dir, "pid"), "w") as f:
        f.write("%d\n" % os.getpid())
    server.collector.log("listening on 127.0.0.1:%d" % port)
    start_legacy_listener(args, server.collector)
    # Written last: collector.sh takes it as the sign that all is listening.
    write_port_file(args.dir, "port", port)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
