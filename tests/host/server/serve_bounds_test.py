"""panel_host serve against a panel that floods and dawdles (the misbehaving
test panel): what one page is sent and what the terminal gets stay bounded in
bytes after a flood of debugger texts, each cut text saying so; a step slower
than the request's wait is answered as still running (202) or waiting, never
as not carried out, carried out once, and its result comes on the event
stream; restart needs no body; a page past the limit is told the limit.

usage: serve_bounds_test.py --library MISBEHAVING_PANEL --devices FILE --work DIR -- HOST_COMMAND...
"""
import json
import os
import socket
import time

from serve_process import Serve, check, run_main, test_arguments

MIB = 1 << 20


def open_stream(port):
    s = socket.create_connection(("127.0.0.1", port), timeout=30)
    s.sendall(f"GET /api/events HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n\r\n".encode())
    return s


def read_until(s, marker, most, timeout=60):
    """What the stream sends until `marker` (or `most` bytes, or the timeout)."""
    got, deadline = b"", time.monotonic() + timeout
    while marker not in got and len(got) <= most and time.monotonic() < deadline:
        chunk = s.recv(MIB)
        if not chunk:
            break
        got += chunk
    return got


def post_raw(port, path):
    """A POST with neither body nor length, as curl -X POST sends it."""
    with socket.create_connection(("127.0.0.1", port), timeout=30) as s:
        s.sendall(f"POST {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nConnection: close\r\n\r\n".encode())
        answer = b""
        while chunk := s.recv(65536):
            answer += chunk
        return answer.decode("utf-8", "replace")


def main():
    a = test_arguments("--devices")
    record = os.path.join(a.work, "session.scn")
    s = Serve(a.host + ["serve", a.library, "--port", "0", "--devices", a.devices, "--record", record,
                        "--answer-wait-ms", "300"], os.path.join(a.work, "serve.log"))
    s.start()
    try:
        # 40 debugger texts of 3 MiB: each cut to 4 KiB in the conversation,
        # the terminal, and what a page that connects is sent.
        watch = open_stream(s.port)
        read_until(watch, b"event: timers\n", 64 * MIB)
        status, body = s.request("/api/button", "panel=1&control=Flood_Debug&event=40+3145728", timeout=120)
        check(status in (200, 202), f"flood: {status} {body}")
        if status == 202:  # carried out later: wait for its result
            marker = f'event: result\ndata: {{"id":{json.loads(body)["id"]},"ok":true'.encode()
            check(marker in read_until(watch, marker, 256 * MIB, timeout=120), "the flood's result never came")
        watch.close()
        stream = open_stream(s.port)
        sent = read_until(stream, b"event: timers\n", 64 * MIB)
        stream.close()
        check(b"event: timers\n" in sent, f"no whole state on connect: {sent[-300:]!r}")
        check(len(sent) <= 2 * MIB + 256 * 1024, f"a page was sent {len(sent)} bytes on connect")
        check(sent.count(b"\xe2\x80\xa6 [cut: 3145728 bytes in all]") == 40, "a cut text does not say it was cut")
        printed = sum(len(line) + 1 for line in s.lines)
        check(printed <= 2 * MIB, f"the terminal got {printed} bytes")

        # 3000 texts of 8 KiB in one step: at most 4 MiB of that step's
        # conversation reach the server and the terminal, and a line says so.
        since = len(s.lines)
        status, body = s.request("/api/button", "panel=1&control=Flood_Debug&event=3000+8192", timeout=120)
        s.wait_for(r"^  \(\d+ more bytes of this step's conversation not shown: over 4194304 bytes in one step\)$",
                   120, since)
        printed = sum(len(line) + 1 for line in s.lines[since:])
        check(printed <= 4 * MIB + 64 * 1024, f"the terminal got {printed} bytes of one step")

        # A step that outlives the wait: 202 "running", a second one behind it
        # 202 "queued"; both results come as events, each step is done once.
        stream = open_stream(s.port)
        read_until(stream, b"event: timers\n", 64 * MIB)
        status, body = s.request("/api/button", "panel=1&control=Sleep&event=5000")
        first = json.loads(body)
        check(status == 202 and first["pending"] and first["state"] == "running" and "still running" in first["note"],
              f"slow step: {status} {body}")
        status, body = s.request("/api/button", "panel=1&control=Sleep&event=0")
        second = json.loads(body)
        check(status == 202 and second["state"] == "queued", f"step behind it: {status} {body}")
        news = b""
        for answer in (first, second):
            marker = f'event: result\ndata: {{"id":{answer["id"]},"ok":true,"step":'.encode()
            news += read_until(stream, marker, 16 * MIB)
            check(marker in news, f"no result event for {answer}: {news[-500:]!r}")
        stream.close()

        # restart with no body at all; the ninth page is told the limit.
        answer = post_raw(s.port, "/api/restart")
        check(answer.startswith(("HTTP/1.1 200", "HTTP/1.1 202")) and '"step":"restart"' in answer,
              f"restart without a body: {answer}")
        pages = [open_stream(s.port) for _ in range(8)]
        for p in pages:
            read_until(p, b"event: timers\n", 64 * MIB)
        status, body = s.request("/api/events", timeout=30)
        check(status == 503 and "at most 8 live pages at once" in body, f"ninth page: {status} {body}")
        for p in pages:
            p.close()
    finally:
        code = s.interrupt()
    check(code == 0, f"serve exited {code}")
    with open(record, encoding="utf-8") as f:
        steps = [line for line in f if line.startswith("button 1 Sleep")]
    check(len(steps) == 2, f"the slow steps are recorded {len(steps)} times, not once each")


if __name__ == "__main__":
    run_main(main)
