#!/usr/bin/env python3
"""Stand-in for the provider's configuration server, for tests and demo runs.

Answers the dialer's three requests on /mavdialer/info.php (cmd=1 list
version, cmd=2 access-number list, cmd=3 latest release) from a JSON script
that is read again for every request, so a test can change the answers
between scenarios by rewriting the file.  Every request is logged as one
tab-separated line.  Works as an HTTP proxy target too: WinINet configured
with ProxyServer=127.0.0.1:PORT sends absolute-form targets such as
"GET http://www.corvinet.com.ar:80/mavdialer/info.php?cmd=1 HTTP/1.1".

Standard library only.  See README.md next to this file for the script format.
"""

import argparse
import datetime
import hashlib
import ipaddress
import json
import os
import signal
import socket
import struct
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

INFO_PATH = "/mavdialer/info.php"
BODY_ENCODING = "cp1252"

# What the provider's server says when nothing newer exists: list version 1
# (the version a fresh install stores) and release 9 (this program's release).
DEFAULT_LIST_VERSION = "1"
DEFAULT_RELEASE = "9"
DEMO_LIST_VERSION = "2"
DEMO_RELEASE = "10"

# Access numbers served by cmd=2.  The digits are made up for the test bench.
DEFAULT_ACCESS_LIST = [
    ("Ciudad de Buenos Aires", "4510-2000"),
    ("Gran Buenos Aires", "4510-2000"),
    ("La Plata", "0221-4270"),
    ("Bahía Blanca", "0291-4550"),
    ("Mar del Plata", "0223-4910"),
    ("Córdoba", "0351-4260"),
    ("Río Cuarto", "0358-4640"),
    ("Rosario", "0341-4480"),
    ("Santa Fe", "0342-4590"),
    ("Paraná", "0343-4230"),
    ("Mendoza", "0261-4290"),
    ("San Juan", "0264-4210"),
    ("San Miguel de Tucumán", "0381-4300"),
    ("Salta", "0387-4310"),
    ("Neuquén", "0299-4420"),
    ("Posadas", "0376-4440"),
    ("Resistencia", "0362-4450"),
]


def access_list_body(entries=DEFAULT_ACCESS_LIST):
    """The cmd=2 body: count line, then name line and number line per entry."""
    lines = [str(len(entries))]
    for city, local in entries:
        lines.append("%s [%s]" % (city, local))
        lines.append(local.replace("-", ""))
    return "\n".join(lines) + "\n"


ANSWER_KEYS = {
    "status",
    "body",
    "body_hex",
    "delay_ms",
    "cut_after",
    "cut_mode",
    "close_without_answer",
    "stall_ms",
    "repeat_body",
    "comment",
}
CUT_MODES = ("reset", "close")


class ScriptError(ValueError):
    pass


class Answer:
    """One fully resolved answer: status, body bytes and the fault to apply."""

    def __init__(self, status=200, body=b"", delay_ms=0, cut_after=None,
                 cut_mode="reset", close_without_answer=False, stall_ms=0):
        self.status = status
        self.body = body
        self.delay_ms = delay_ms
        self.cut_after = cut_after
        self.cut_mode = cut_mode
        self.close_without_answer = close_without_answer
        self.stall_ms = stall_ms

    def faults(self):
        parts = []
        if self.delay_ms:
            parts.append("delay_ms=%d" % self.delay_ms)
        if self.close_without_answer:
            parts.append("close_without_answer")
        if self.stall_ms:
            parts.append("stall_ms=%d" % self.stall_ms)
        if self.cut_after is not None:
            parts.append("cut_after=%d/%s" % (self.cut_after, self.cut_mode))
        return ",".join(parts) if parts else "-"

    def sends_response(self):
        return not (self.close_without_answer or self.stall_ms)


def _int_option(options, key, minimum, default):
    value = options.get(key, default)
    if value is None:
        return default
    if isinstance(value, bool) or not isinstance(value, int):
        raise ScriptError("%s must be an integer" % key)
    if value < minimum:
        raise ScriptError("%s must be >= %d" % (key, minimum))
    return value


def build_answer(options):
    """Turns one script answer object into an Answer; ScriptError if malformed."""
    if not isinstance(options, dict):
        raise ScriptError("answer must be an object")
    unknown = set(options) - ANSWER_KEYS
    if unknown:
        raise ScriptError("unknown option(s) %s" % ",".join(sorted(unknown)))
    status = _int_option(options, "status", 100, 200)
    if status > 999:
        raise ScriptError("status must be 100..999")
    if "body_hex" in options:
        if not isinstance(options["body_hex"], str):
            raise ScriptError("body_hex must be a string")
        try:
            body = bytes.fromhex(options["body_hex"])
        except ValueError as exc:
            raise ScriptError("body_hex: %s" % exc)
    else:
        text = options.get("body", "")
        if not isinstance(text, str):
            raise ScriptError("body must be a string")
        try:
            body = text.encode(BODY_ENCODING)
        except UnicodeEncodeError as exc:
            raise ScriptError("body not encodable as Windows-1252: %s" % exc)
    body = body * _int_option(options, "repeat_body", 0, 1)
    cut_mode = options.get("cut_mode", "reset")
    if cut_mode not in CUT_MODES:
        raise ScriptError("cut_mode must be one of %s" % ",".join(CUT_MODES))
    close_flag = options.get("close_without_answer", False)
    if not isinstance(close_flag, bool):
        raise ScriptError("close_without_answer must be true or false")
    return Answer(
        status=status,
        body=body,
        delay_ms=_int_option(options, "delay_ms", 0, 0),
        cut_after=_int_option(options, "cut_after", 0, None),
        cut_mode=cut_mode,
        close_without_answer=close_flag,
        stall_ms=_int_option(options, "stall_ms", 0, 0),
    )


class AnswerBook:
    """Reads the script on every request and picks the answer for a command.

    A "sequence" is walked one step per request of that command; the position
    starts over whenever the script file is rewritten (new content or new
    modification time), so each scenario a test writes begins at step one.
    """

    def __init__(self, script_path, demo_newer_list=False, demo_newer_release=False):
        self.script_path = script_path
        self.builtin = {
            "1": {"body": DEMO_LIST_VERSION if demo_newer_list else DEFAULT_LIST_VERSION},
            "2": {"body": access_list_body()},
            "3": {"body": DEMO_RELEASE if demo_newer_release else DEFAULT_RELEASE},
        }
        self.lock = threading.Lock()
        self.positions = {}

    def _read_script(self):
        """Returns (script dict or None, version key, note for the log)."""
        if not self.script_path:
            return None, None, "builtin"
        try:
            with open(self.script_path, "rb") as handle:
                raw = handle.read()
                stamp = os.fstat(handle.fileno()).st_mtime_ns
        except FileNotFoundError:
            return None, None, "builtin(script missing)"
        except OSError as exc:
            return None, None, "builtin(script unreadable: %s)" % exc.strerror
        version = (stamp, hashlib.sha1(raw).hexdigest())
        try:
            script = json.loads(raw.decode("utf-8"))
        except (UnicodeDecodeError, ValueError) as exc:
            return None, None, "builtin(script invalid: %s)" % _one_line(str(exc))
        if not isinstance(script, dict):
            return None, None, "builtin(script invalid: top level must be an object)"
        return script, version, None

    def _step(self, key, version, count):
        with self.lock:
            pos_key = (key, version)
            index = self.positions.get(pos_key, 0)
            self.positions[pos_key] = index + 1
            # Old scenarios' positions are of no further use.
            for stale in [k for k in self.positions if k[1] != version]:
                del self.positions[stale]
        return min(index, count - 1)

    def choose(self, cmd):
        """Returns (Answer, source) for a request of info.php?cmd=<cmd>.

        Lookup order: the script's entry for cmd, the script's "default"
        entry, the built-in answer for cmd 1, 2 or 3.  None means 404.
        """
        script, version, note = self._read_script()
        if script is not None:
            for key in (cmd, "default"):
                if key is None or key not in script:
                    continue
                try:
                    return self._from_entry(script[key], key, version)
                except ScriptError as exc:
                    note = "builtin(script entry %s invalid: %s)" % (key, exc)
                    break
        if cmd in self.builtin:
            return build_answer(self.builtin[cmd]), note or "builtin"
        return None, note or "builtin"

    def _from_entry(self, entry, key, version):
        if isinstance(entry, dict) and "sequence" in entry:
            steps = entry["sequence"]
            if not isinstance(steps, list) or not steps:
                raise ScriptError("sequence must be a non-empty list")
            base = {k: v for k, v in entry.items() if k != "sequence"}
            index = self._step(key, version, len(steps))
            step = steps[index]
            if not isinstance(step, dict):
                raise ScriptError("sequence step must be an object")
            merged = dict(base)
            merged.update(step)
            return build_answer(merged), "script:%s#%d" % (key, index + 1)
        return build_answer(entry), "script:%s" % key


def _one_line(text):
    return " ".join(str(text).split())


def _field(text):
    if text is None or text == "":
        return "-"
    return str(text).replace("\t", " ").replace("\r", " ").replace("\n", " ")


def normalise_target(target):
    """Path and query of a request target in origin or absolute form."""
    parts = urllib.parse.urlsplit(target)
    path = parts.path or "/"
    if not path.startswith("/"):
        path = "/" + path
    return path + ("?" + parts.query if parts.query else "")


def command_of(normalised):
    """The cmd value of an info.php request, "" when absent; None for other paths."""
    parts = urllib.parse.urlsplit(normalised)
    if parts.path != INFO_PATH:
        return None
    values = urllib.parse.parse_qs(parts.query, keep_blank_values=True).get("cmd")
    return values[0] if values else ""


class RequestLog:
    """Appends one line per request; opened and closed per line so a test may
    truncate or remove the file between scenarios."""

    def __init__(self, path):
        self.path = path
        self.lock = threading.Lock()

    def write(self, fields):
        line = "\t".join(_field(f) for f in fields) + "\n"
        with self.lock:
            if self.path:
                with open(self.path, "a", encoding="utf-8") as handle:
                    handle.write(line)
                    handle.flush()
            else:
                sys.stdout.write(line)
                sys.stdout.flush()


class ConfigRequestHandler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def version_string(self):
        return "CorvinetTestConfig/1.0"

    def log_message(self, format, *args):  # noqa: A002 - base class signature
        pass  # our own request log replaces the default stderr chatter

    def do_GET(self):
        self._serve(send_body=True)

    def do_HEAD(self):
        self._serve(send_body=False)

    def do_POST(self):
        self._refuse()

    do_PUT = do_DELETE = do_OPTIONS = do_PATCH = do_CONNECT = do_POST

    def _log(self, normalised, status, length, faults, source):
        self.server.request_log.write([
            datetime.datetime.now().astimezone().isoformat(timespec="milliseconds"),
            self.command,
            self.path,
            normalised,
            self.headers.get("User-Agent"),
            self.headers.get("Host"),
            status,
            length,
            faults,
            source,
        ])

    def _refuse(self):
        normalised = normalise_target(self.path)
        body = b"method not allowed\n"
        self._log(normalised, 405, len(body), "-", "-")
        self._send_plain(405, body, send_body=True)

    def _serve(self, send_body):
        normalised = normalise_target(self.path)
        cmd = command_of(normalised)
        answer, source = (None, "unknown-path") if cmd is None else self.server.book.choose(cmd)
        if answer is None:
            body = b"not found\n"
            self._log(normalised, 404, len(body), "-", source)
            self._send_plain(404, body, send_body)
            return
        status = answer.status if answer.sends_response() else None
        self._log(normalised, status, len(answer.body), answer.faults(), source)
        self._apply(answer, send_body)

    def _apply(self, answer, send_body):
        if answer.delay_ms:
            self.server.stopping.wait(answer.delay_ms / 1000.0)
        if answer.close_without_answer:
            self.close_connection = True
            return
        if answer.stall_ms:
            self.server.stopping.wait(answer.stall_ms / 1000.0)
            self.close_connection = True
            return
        if answer.cut_after is None or not send_body:
            self._send_plain(answer.status, answer.body, send_body)
            return
        self._send_headers(answer.status, len(answer.body))
        self.wfile.write(answer.body[: answer.cut_after])
        self.wfile.flush()
        self._cut(answer.cut_mode)

    def _send_headers(self, status, length):
        self.send_response(status)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(length))
        self.send_header("Connection", "close")
        self.end_headers()

    def _send_plain(self, status, body, send_body):
        self._send_headers(status, len(body))
        if send_body:
            self.wfile.write(body)
        self.wfile.flush()
        self.close_connection = True

    def _cut(self, mode):
        """Ends the connection before the announced body length is reached.

        "reset" aborts with a TCP reset (the client's read fails); "close"
        ends with an orderly close (the client sees a short body and EOF).
        """
        self.close_connection = True
        if mode == "reset":
            # Give the client a moment to take what was sent before the
            # reset discards anything still queued on its side.
            time.sleep(0.05)
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                       struct.pack("ii", 1, 0))
            # Closing here (not in the server's orderly shutdown, which would
            # send a FIN first) makes the reset the only end the client sees.
            self.connection.close()
        else:
            self.connection.shutdown(socket.SHUT_WR)


class ConfigServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # A client that hangs up early is part of the game; one line is enough.
        kind, value = sys.exc_info()[:2]
        sys.stderr.write("configserver: %s:%s: %s: %s\n" % (
            client_address[0], client_address[1], kind.__name__, value))

    def __init__(self, address, book, request_log):
        self.book = book
        self.request_log = request_log
        self.stopping = threading.Event()
        host = address[0]
        if ipaddress.ip_address(host).version == 6:
            self.address_family = socket.AF_INET6
        super().__init__(address, ConfigRequestHandler)


def loopback_address(text):
    try:
        address = ipaddress.ip_address("127.0.0.1" if text == "localhost" else text)
    except ValueError:
        raise argparse.ArgumentTypeError("not an IP address: %s" % text)
    if not address.is_loopback:
        raise argparse.ArgumentTypeError("only loopback addresses are allowed: %s" % text)
    return str(address)


def parse_args(argv):
    parser = argparse.ArgumentParser(
        description="Test stand-in for the CORVINET configuration server.")
    parser.add_argument("--port", type=int, required=True,
                        help="TCP port; 0 picks a free one (see --port-file)")
    parser.add_argument("--script", help="JSON answer script, read again for every request")
    parser.add_argument("--log", help="request log file (appended); stdout when omitted")
    parser.add_argument("--bind", type=loopback_address, default="127.0.0.1",
                        help="loopback address to listen on (default 127.0.0.1)")
    parser.add_argument("--port-file", help="file that receives the port actually bound")
    parser.add_argument("--demo-newer-list", action="store_true",
                        help="built-in cmd=1 answers 2, so a fresh install downloads the list")
    parser.add_argument("--demo-newer-release", action="store_true",
                        help="built-in cmd=3 answers 10, so the new-release offer appears")
    args = parser.parse_args(argv)
    if not 0 <= args.port <= 65535:
        parser.error("--port must be 0..65535")
    return args


def write_port_file(path, port):
    temp = "%s.%d.tmp" % (path, os.getpid())
    with open(temp, "w", encoding="ascii") as handle:
        handle.write("%d\n" % port)
    os.replace(temp, path)


def main(argv=None):
    args = parse_args(sys.argv[1:] if argv is None else argv)
    book = AnswerBook(args.script, args.demo_newer_list, args.demo_newer_release)
    server = ConfigServer((args.bind, args.port), book, RequestLog(args.log))
    port = server.server_address[1]

    def stop(signum, frame):
        server.stopping.set()
        # shutdown() waits for serve_forever() to return, so it cannot run on
        # the thread that is inside serve_forever().
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.port_file:
        write_port_file(args.port_file, port)
    shown_host = "[%s]" % args.bind if ":" in args.bind else args.bind
    print("listening on %s:%d" % (shown_host, port), flush=True)
    try:
        server.serve_forever(poll_interval=0.1)
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
