#!/usr/bin/env python3
"""Checks of the configuration-server stand-in and the browser stand-in.

Each server runs as a real subprocess on a free port, exactly as the test
run starts it.  Run with `python3 tools/configserver/test_configserver.py`
or `python3 -m unittest` from this folder.
"""

import datetime
import http.client
import json
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "configserver.py")
XDG_OPEN = os.path.join(os.path.dirname(HERE), "browser", "xdg-open")
AGENT = "CORVINET Dialer - www.corvinet.com.ar - www.mavqos.com.ar"
HOST = "www.corvinet.com.ar"


def start_server(workdir, *extra):
    """Starts the server on port 0; returns (process, port)."""
    port_file = os.path.join(workdir, "port")
    proc = subprocess.Popen(
        [sys.executable, SERVER, "--port", "0", "--port-file", port_file] + list(extra),
        stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    ready, _, _ = select.select([proc.stdout], [], [], 5.0)
    if not ready:
        proc.kill()
        raise RuntimeError("server did not start")
    line = proc.stdout.readline().decode("ascii").strip()
    match = re.fullmatch(r"listening on 127\.0\.0\.1:(\d+)", line)
    if not match:
        proc.kill()
        raise RuntimeError("unexpected first line %r: %s" % (line, proc.stderr.read()))
    port = int(match.group(1))
    with open(port_file, encoding="ascii") as handle:
        if int(handle.read()) != port:
            proc.kill()
            raise RuntimeError("port file disagrees with the printed port")
    return proc, port


def stop_server(proc, sig=signal.SIGTERM):
    """Signals the server and returns its exit status; kills it if it lingers."""
    try:
        if proc.poll() is None:
            proc.send_signal(sig)
        return proc.wait(timeout=3)
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        proc.stdout.close()
        proc.stderr.close()


def raw_get(port, target, agent=AGENT, host=HOST, timeout=5.0):
    """Sends one GET with the given target; reads until EOF or reset.

    Returns (status, headers dict, body bytes, error name or None)."""
    sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
    request = "GET %s HTTP/1.1\r\n" % target
    if host is not None:
        request += "Host: %s\r\n" % host
    if agent is not None:
        request += "User-Agent: %s\r\n" % agent
    request += "\r\n"
    data = b""
    error = None
    try:
        sock.sendall(request.encode("latin-1"))
        while True:
            chunk = sock.recv(65536)
            if not chunk:
                break
            data += chunk
    except ConnectionResetError:
        error = "reset"
    finally:
        sock.close()
    if not data:
        return None, {}, b"", error
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    status = int(lines[0].split()[1])
    headers = {}
    for line in lines[1:]:
        name, _, value = line.partition(":")
        headers[name.strip().lower()] = value.strip()
    return status, headers, body, error


def info_target(cmd, absolute=True):
    path = "/mavdialer/info.php?cmd=%s" % cmd
    return "http://%s:80%s" % (HOST, path) if absolute else path


class ServerCase(unittest.TestCase):
    extra_args = ()

    @classmethod
    def setUpClass(cls):
        cls.workdir = tempfile.mkdtemp(prefix="configserver-test-")
        cls.addClassCleanup(shutil.rmtree, cls.workdir, ignore_errors=True)
        cls.script = os.path.join(cls.workdir, "script.json")
        cls.log = os.path.join(cls.workdir, "requests.log")
        cls.proc, cls.port = start_server(
            cls.workdir, "--script", cls.script, "--log", cls.log, *cls.extra_args)
        cls.addClassCleanup(stop_server, cls.proc)

    def setUp(self):
        if os.path.exists(self.script):
            os.remove(self.script)

    def write_script(self, content):
        text = content if isinstance(content, str) else json.dumps(content)
        with open(self.script, "w", encoding="utf-8") as handle:
            handle.write(text)

    def get(self, cmd, absolute=True):
        status, headers, body, error = raw_get(self.port, info_target(cmd, absolute))
        self.assertIsNone(error)
        return status, body

    def log_lines(self):
        with open(self.log, encoding="utf-8") as handle:
            return [line.rstrip("\n").split("\t") for line in handle]


class ScriptedAnswersTest(ServerCase):
    def test_status_body_and_headers_follow_the_script(self):
        self.write_script({"1": {"status": 200, "body": "7"},
                           "3": {"status": 500, "body": "server error"}})
        status, headers, body, _ = raw_get(self.port, info_target(1))
        self.assertEqual((status, body), (200, b"7"))
        self.assertEqual(headers["content-type"], "text/plain")
        self.assertEqual(headers["connection"], "close")
        self.assertEqual(headers["content-length"], "1")
        self.assertEqual(self.get(3), (500, b"server error"))
        # cmd=2 is not scripted: the built-in list answers.
        self.assertTrue(self.get(2)[1].startswith(b"17\n"))

    def test_accented_text_is_sent_as_windows_1252(self):
        self.write_script({"2": {"body": "1\nCórdoba [0351-4260]\n03514260\n"}})
        status, headers, body, _ = raw_get(self.port, info_target(2))
        self.assertEqual(status, 200)
        self.assertEqual(body, b"1\nC\xf3rdoba [0351-4260]\n03514260\n")
        self.assertEqual(int(headers["content-length"]), len(body))

    def test_binary_and_repeated_bodies(self):
        self.write_script({"1": {"body_hex": "00ff0d0a41", "body": "ignored"},
                           "2": {"body": "ab", "repeat_body": 200},
                           "3": {"body_hex": "e9", "repeat_body": 3}})
        self.assertEqual(self.get(1), (200, b"\x00\xff\r\nA"))
        self.assertEqual(self.get(2), (200, b"ab" * 200))
        self.assertEqual(self.get(3), (200, b"\xe9\xe9\xe9"))

    def test_script_is_read_again_for_every_request(self):
        self.write_script({"1": {"body": "3"}})
        self.assertEqual(self.get(1), (200, b"3"))
        self.write_script({"1": {"body": "4", "status": 404}})
        self.assertEqual(self.get(1), (404, b"4"))
        os.remove(self.script)
        self.assertEqual(self.get(1), (200, b"1"))
        self.assertIn("script missing", self.log_lines()[-1][9])
        self.write_script('{"1": {"body": "5"')  # caught half written
        self.assertEqual(self.get(1), (200, b"1"))
        self.assertIn("script invalid", self.log_lines()[-1][9])

    def test_malformed_entry_falls_back_and_says_why(self):
        self.write_script({"3": {"bdy": "10"}})
        self.assertEqual(self.get(3), (200, b"9"))
        self.assertIn("bdy", self.log_lines()[-1][9])
        self.write_script({"3": {"body": "10", "status": "200"}})
        self.assertEqual(self.get(3), (200, b"9"))
        self.write_script({"3": {"body": "\u20ac\u4e00"}})  # no Windows-1252 form
        self.assertEqual(self.get(3), (200, b"9"))
        self.assertIn("Windows-1252", self.log_lines()[-1][9])

    def test_request_target_forms_and_unknown_paths(self):
        self.write_script({"1": {"body": "6"}})
        for target in (info_target(1), info_target(1, absolute=False),
                       "http://%s/mavdialer/info.php?cmd=1" % HOST):
            status, _, body, _ = raw_get(self.port, target)
            self.assertEqual((status, body), (200, b"6"), target)
        self.assertEqual(raw_get(self.port, "http://%s/mavdialer/" % HOST)[0], 404)
        self.assertEqual(raw_get(self.port, "/mavdialer/info.php")[0], 404)
        self.assertEqual(self.get(7)[0], 404)
        self.write_script({"1": {"body": "6"}, "default": {"status": 503, "body": "busy"}})
        self.assertEqual(self.get(7), (503, b"busy"))
        self.assertEqual(self.get(3), (503, b"busy"))
        self.assertEqual(self.get(1), (200, b"6"))

    def test_http_client_through_proxy_style_request(self):
        self.write_script({"3": {"body": "10 beta"}})
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=5)
        conn.request("GET", "http://%s/mavdialer/info.php?cmd=3" % HOST,
                     headers={"User-Agent": AGENT})
        response = conn.getresponse()
        self.assertEqual((response.status, response.read()), (200, b"10 beta"))
        conn.close()


class RequestLogTest(ServerCase):
    def test_one_line_per_request_with_all_fields(self):
        self.write_script({"1": {"body": "12"}, "2": {"body": "0123456789", "cut_after": 4}})
        before = len(self.log_lines()) if os.path.exists(self.log) else 0
        started = datetime.datetime.now().astimezone()
        raw_get(self.port, info_target(1))
        raw_get(self.port, "/mavdialer/info.php?cmd=2", agent="Other Agent",
                host="127.0.0.1:%d" % self.port)
        raw_get(self.port, "/favicon.ico", agent=None, host=None)
        lines = self.log_lines()[before:]
        self.assertEqual(len(lines), 3)
        for fields in lines:
            self.assertEqual(len(fields), 10, fields)
            when = datetime.datetime.fromisoformat(fields[0])
            self.assertLess(abs((when - started).total_seconds()), 5)
            self.assertEqual(fields[1], "GET")
        first, second, third = lines
        self.assertEqual(first[2:10], [info_target(1), "/mavdialer/info.php?cmd=1", AGENT,
                                       HOST, "200", "2", "-", "script:1"])
        self.assertEqual(second[2:10], ["/mavdialer/info.php?cmd=2", "/mavdialer/info.php?cmd=2",
                                        "Other Agent", "127.0.0.1:%d" % self.port, "200", "10",
                                        "cut_after=4/reset", "script:2"])
        self.assertEqual(third[2:8], ["/favicon.ico", "/favicon.ico", "-", "-", "404", "10"])


class FaultTest(ServerCase):
    def test_cut_after_reset_delivers_a_short_body_then_fails(self):
        self.write_script({"2": {"body": "2\nA\n1\nB\n2\n", "cut_after": 3}})
        status, headers, body, error = raw_get(self.port, info_target(2))
        self.assertEqual(status, 200)
        self.assertEqual(headers["content-length"], "10")
        self.assertEqual(body, b"2\nA")
        self.assertEqual(error, "reset")

    def test_cut_after_close_ends_with_eof(self):
        self.write_script({"2": {"body": "2\nA\n1\nB\n2\n", "cut_after": 5, "cut_mode": "close"}})
        status, headers, body, error = raw_get(self.port, info_target(2))
        self.assertEqual((status, headers["content-length"]), (200, "10"))
        self.assertEqual(body, b"2\nA\n1")
        self.assertIsNone(error)

    def test_close_without_answer_sends_nothing(self):
        self.write_script({"1": {"close_without_answer": True, "body": "2"}})
        started = time.monotonic()
        status, _, body, _ = raw_get(self.port, info_target(1))
        self.assertLess(time.monotonic() - started, 1.0)
        self.assertEqual((status, body), (None, b""))
        fields = self.log_lines()[-1]
        self.assertEqual(fields[6:9], ["-", "1", "close_without_answer"])

    def test_delay_and_stall_do_not_block_other_requests(self):
        self.write_script({"1": {"body": "1", "delay_ms": 250},
                           "3": {"body": "10", "stall_ms": 900}})
        stalled = {}

        def stalled_request():
            started = time.monotonic()
            stalled["answer"] = raw_get(self.port, info_target(3))
            stalled["seconds"] = time.monotonic() - started

        thread = threading.Thread(target=stalled_request)
        thread.start()
        time.sleep(0.05)
        started = time.monotonic()
        self.assertEqual(self.get(1), (200, b"1"))
        delayed = time.monotonic() - started
        self.assertGreaterEqual(delayed, 0.25)
        self.assertLess(delayed, 0.8)
        thread.join(5)
        self.assertEqual(stalled["answer"][:3], (None, {}, b""))
        self.assertGreaterEqual(stalled["seconds"], 0.85)


class SequenceTest(ServerCase):
    def test_steps_advance_per_command_and_last_repeats(self):
        self.write_script({"1": {"status": 201, "sequence": [
            {"body": "1"}, {"body": "2", "status": 503}, {"body": "3"}]}})
        self.assertEqual(self.get(1), (201, b"1"))
        self.assertEqual(self.get(3), (200, b"9"))  # other commands do not advance it
        self.assertEqual(self.get(1), (503, b"2"))
        self.assertEqual(self.get(1), (201, b"3"))
        self.assertEqual(self.get(1), (201, b"3"))
        self.assertEqual(self.log_lines()[-1][9], "script:1#3")

    def test_rewriting_the_script_starts_over(self):
        sequence = {"1": {"sequence": [{"body": "a"}, {"body": "b"}]}}
        self.write_script(sequence)
        self.assertEqual(self.get(1)[1], b"a")
        self.assertEqual(self.get(1)[1], b"b")
        self.write_script(sequence)  # same text, new scenario
        stamp = os.stat(self.script).st_mtime_ns + 1_000_000_000
        os.utime(self.script, ns=(stamp, stamp))
        self.assertEqual(self.get(1)[1], b"a")
        self.write_script({"1": {"sequence": [{"body": "c"}, {"body": "d"}]}})
        self.assertEqual(self.get(1)[1], b"c")


def check_access_list(case, body):
    """Checks the cmd=2 list form; returns the entry names."""
    text = body.decode("cp1252")
    case.assertTrue(text.endswith("\n"))
    lines = text.split("\n")[:-1]
    count = int(lines[0])
    case.assertEqual(len(lines), 1 + 2 * count)
    names = lines[1::2]
    for name, number in zip(names, lines[2::2]):
        match = re.fullmatch(r"([^\[\]]+) \[(\d{2,4})-(\d{4})\]", name)
        case.assertIsNotNone(match, name)
        case.assertEqual(number, match.group(2) + match.group(3))
        case.assertLessEqual(len(name.encode("cp1252")), 63)
    return names


class BuiltinAnswersTest(ServerCase):
    def test_without_script_nothing_is_newer(self):
        self.assertEqual(self.get(1), (200, b"1"))
        self.assertEqual(self.get(3), (200, b"9"))
        status, body = self.get(2)
        self.assertEqual(status, 200)
        self.assertEqual(len(check_access_list(self, body)), 17)
        self.assertIn(b"C\xf3rdoba [", body)
        self.write_script({})
        self.assertEqual(self.get(1), (200, b"1"))


class DemoOptionsTest(ServerCase):
    extra_args = ("--demo-newer-list", "--demo-newer-release")

    def test_demo_answers_and_script_still_wins(self):
        self.assertEqual(self.get(1), (200, b"2"))
        self.assertEqual(self.get(3), (200, b"10"))
        self.assertEqual(len(check_access_list(self, self.get(2)[1])), 17)
        self.write_script({"3": {"body": "9"}})
        self.assertEqual(self.get(3), (200, b"9"))
        self.assertEqual(self.get(1), (200, b"2"))


class LifecycleTest(unittest.TestCase):
    def test_terminates_cleanly_on_signal(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with tempfile.TemporaryDirectory() as workdir:
                proc, port = start_server(workdir)
                try:
                    self.assertEqual(raw_get(port, info_target(1))[2], b"1")
                finally:
                    status = stop_server(proc, sig)
                self.assertEqual(status, 0)

    def test_refuses_addresses_other_than_loopback(self):
        result = subprocess.run([sys.executable, SERVER, "--port", "0", "--bind", "0.0.0.0"],
                                capture_output=True, timeout=5)
        self.assertEqual(result.returncode, 2)
        self.assertIn(b"loopback", result.stderr)


class BrowserStandInTest(unittest.TestCase):
    def test_records_each_opened_address_on_its_own_line(self):
        with tempfile.TemporaryDirectory() as workdir:
            log = os.path.join(workdir, "browser.log")
            env = dict(os.environ, CORVINET_BROWSER_LOG=log)
            for url in ("http://www.corvinet.com.ar/mavdialer/",
                        "http://www.corvinet.com.ar/arg/ig1.htm"):
                result = subprocess.run([XDG_OPEN, url], env=env, timeout=5)
                self.assertEqual(result.returncode, 0)
            with open(log, encoding="utf-8") as handle:
                self.assertEqual(handle.read(), "http://www.corvinet.com.ar/mavdialer/\n"
                                                "http://www.corvinet.com.ar/arg/ig1.htm\n")


if __name__ == "__main__":
    unittest.main()
