"""panel_host serve against what other pages and misbehaving clients do, and
what must survive a session's end (both builds, under wine too): only the
page's own Host and Origin act, pipelined, chunked, slow and idle clients are
answered or cut off without stalling others, a port in use and a recording
that cannot be written are refused before "serving", and after kill -9, a
panel crash or Ctrl-C over a hung panel the recording replays.

usage: serve_faults_test.py --library FAKE_PANEL --devices FILE --work DIR -- HOST_COMMAND...
"""
import json
import os
import re
import signal
import socket
import statistics
import subprocess
import threading
import time

from serve_process import Serve, check, replay_recording, run_main, test_arguments


def exchange(port, raw, timeout=10):
    """Everything the server sends back for raw bytes, until it closes or goes quiet."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(raw)
        out = b""
        try:
            while chunk := s.recv(65536):
                out += chunk
        except socket.timeout:
            pass
        return out.decode("utf-8")  # fails on an answer that is not UTF-8


def post(path, body, host, extra=""):
    return (f"POST {path} HTTP/1.1\r\nHost: {host}\r\n{extra}Content-Type: application/x-www-form-urlencoded\r\n"
            f"Content-Length: {len(body)}\r\n\r\n{body}").encode()


def process_gone(pid, timeout):
    """Whether process pid has ended (and been reaped) within timeout s."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        try:
            with open(f"/proc/{pid}/stat") as f:
                if f.read().split(") ")[1].startswith("Z"):
                    return True
        except FileNotFoundError:
            return True
        time.sleep(0.1)
    return False


def main():
    a = test_arguments("--devices")
    wine = any("wine" in part for part in a.host)  # under wine the process ids are not this system's
    devices = ["--devices", a.devices]

    def serve(name, *extra, record=None):
        record = record or os.path.join(a.work, name, "session.scn")  # the folder does not exist yet
        return Serve(a.host + ["serve", a.library, "--port", "0", "--record", record] + devices + list(extra),
                     os.path.join(a.work, name + ".log")), record

    s, record = serve("guard")
    s.start()
    p, own = s.port, f"127.0.0.1:{s.port}"
    try:
        check(os.path.exists(record), "the recording is not created before serving")
        refusals = [  # (what, request, status)
            ("foreign Host", f"GET / HTTP/1.1\r\nHost: attacker.example:{p}\r\n\r\n".encode(), 421),
            ("no Host", b"GET / HTTP/1.1\r\n\r\n", 421),
            ("foreign Host on the stream", f"GET /api/events HTTP/1.1\r\nHost: attacker.example:{p}\r\n\r\n".encode(),
             421),
            ("cross-origin form", post("/api/gpi", "input=4&state=on", own, "Origin: http://attacker.example\r\n"), 403),
            ("null origin", post("/api/gpi", "input=4&state=on", own, "Origin: null\r\n"), 403),
            ("chunked body over the limit", f"POST /api/info HTTP/1.1\r\nHost: {own}\r\nTransfer-Encoding: chunked"
             f"\r\n\r\n".encode() + (b"10000\r\n" + b"a" * 0x10000 + b"\r\n") * 4, 413)]
        for what, raw, status in refusals:
            answer = exchange(p, raw)
            check(answer.startswith(f"HTTP/1.1 {status} "), f"{what}: {answer[:200]!r}")
        s.wait_for(r"^\[refused GET /\] refused: Host \"attacker.example", 10)
        check(not any("gpi 4" in line for line in s.lines), "a cross-origin POST reached the panel")

        # Pipelined: three requests in one send, three answers in order.
        answer = exchange(p, post("/api/timer", "id=1", own) + post("/api/timer", "id=2", own, "Origin: "
                          f"http://localhost:{p}\r\n") + post("/api/timer", "id=3", f"localhost:{p}"), timeout=3)
        check(re.findall(r'\{"ok".*?\}', answer) ==
              ['{"ok":true,"step":"timer %d"}' % n for n in (1, 2, 3)], f"pipelined: {answer!r}")

        # Form text that is not UTF-8 comes back as UTF-8 JSON.
        reply = json.loads(exchange(p, post("/api/property", "message=caf%E9", own, "Connection: close\r\n"))
                           .split("\r\n\r\n", 1)[1])
        check(reply["step"] == 'property "caf\u00e9"', f"not UTF-8: {reply}")

        # One keep-alive connection for a session, each answer at once (no delayed acknowledgement):
        # as soon as an answer whose connection closes, which nothing holds back, on a busy machine too.
        with socket.create_connection(("127.0.0.1", p), timeout=10) as c:
            times = []
            for n in range(40):
                start = time.perf_counter()
                c.sendall(post("/api/timer", f"id={n}", own))
                got = b""
                while b'"}' not in got:
                    got += c.recv(4096)
                    check(got, f"connection closed after {n} requests")
                times.append(time.perf_counter() - start)
        closing = []
        for n in range(40):
            start = time.perf_counter()
            check('"ok":true' in exchange(p, post("/api/timer", f"id={n}", own, "Connection: close\r\n")), "close")
            closing.append(time.perf_counter() - start)
        kept, closed = statistics.median(times), statistics.median(closing)
        check(kept < 3 * closed + 0.005,
              f"median answer {kept * 1000:.1f} ms on the kept connection, {closed * 1000:.1f} ms closing")

        # Slow clients, more than the server has threads, are cut off: others wait at most a request's time.
        slow = [socket.create_connection(("127.0.0.1", p)) for _ in range(80)]
        for c in slow:
            c.sendall(b"GET / HTTP/1.1\r\n")
        # Were they not cut off, they would hold every thread for good: the
        # page is answered at all, within a deadline, not measured for speed.
        status, _ = s.request("/", timeout=20)
        check(status == 200, "slow clients stall GET /")
        slow[0].settimeout(15)
        got = b""
        while chunk := slow[0].recv(1000):  # the server closes it (a timeout here fails the test)
            got += chunk
        check(not got.startswith(b"HTTP/1.1 200"), "a slow client is answered as if whole")
        for c in slow:
            c.close()

        # Closed pages free their stream slots at once.
        for _ in range(2):
            pages = [socket.create_connection(("127.0.0.1", p)) for _ in range(8)]
            for c in pages:
                c.sendall(f"GET /api/events HTTP/1.1\r\nHost: {own}\r\n\r\n".encode())
                check(c.recv(100).startswith(b"HTTP/1.1 200"), "a page did not get its stream")
            for c in pages:
                c.close()
            time.sleep(1)

        # A second serve on the same port is refused.
        second = subprocess.run(a.host + ["serve", a.library, "--port", str(p)] + devices, capture_output=True,
                                text=True, timeout=60)
        check(second.returncode == 5 and "address in use" in second.stderr, f"port in use: {second}")
    finally:
        check(s.interrupt() == 0, "guard: no clean stop")
    replay_recording(a.host, a.library, record, devices)

    # Refused before serving: the recording onto an input, or where it cannot be written.
    blocker = os.path.join(a.work, "a-file")
    open(blocker, "w").close()
    for where, status, why in [(a.library, 2, "would replace"), (a.devices, 2, "would replace"),
                               (os.path.join(blocker, "r.scn"), 5, "cannot create directory " + blocker + ": ")]:
        r = subprocess.run(a.host + ["serve", a.library, "--port", "0", "--record", where] + devices,
                           capture_output=True, text=True, timeout=60)
        check(r.returncode == status and "serving" not in r.stdout and why in r.stderr, f"--record {where}: {r}")
    check(os.path.getsize(blocker) == 0, "a refused recording touched a file")

    # Whatever ends the session, every action carried out is on disk and replays,
    # and the panel's process does not outlive the server.
    for name, end, status in [("killed", None, -signal.SIGKILL), ("crash", "crash", 0), ("hang", "hang", 4)]:
        s, record = serve(name, "--timeout", "0")
        s.start()
        child = int(s.wait_for(r"^\[panel process (\d+)\] ", 10).group(1))
        for n in range(5):
            check(s.request("/api/timer", f"id={n}", "POST")[0] == 200, f"{name}: timer {n}")
        if end == "crash":  # the server answers with the crash, refuses actions, and stops cleanly
            answer = s.request("/api/property", "message=crash", "POST")
            check(answer[0] == 500 and '"fault":true' in answer[1] and "crashed" in answer[1], f"crash: {answer}")
            answer = s.request("/api/timer", "id=9", "POST")
            check(answer[0] == 400 and "not running" in answer[1], f"after the crash: {answer}")
            s.process.send_signal(signal.SIGINT)
        elif end == "hang":
            threading.Thread(target=s.request, args=("/api/property", "message=hang", "POST"), daemon=True).start()
            time.sleep(1)
            s.process.send_signal(signal.SIGINT)
        else:
            s.process.kill()
        try:
            code = s.process.wait(timeout=30)
        finally:
            s.kill()
        check(code == status, f"{name}: exit {code}, expected {status}")
        check(open(record).read().count("\ntimer ") == 5, f"{name}: the recording lacks actions")
        replay_recording(a.host, a.library, record, devices)
        check(wine or process_gone(child, 10), f"{name}: the panel's process {child} outlived the server")
    print("serve faults: Host, Origin, pipelining, chunked, slow clients, stream slots, port in use, recording")


if __name__ == "__main__":
    run_main(main)
