"""panel_host serve over plain HTTP, for both builds (under wine too): the
page and the event stream are served, good actions are carried out, every
kind of bad request is refused with a clear JSON error and logged, the
server lives on, Ctrl-C stops it with exit 0 and a recording that
"run --strict" replays.

usage: serve_http_test.py --library LIB [--devices FILE] --work DIR -- HOST_COMMAND...
"""
import json
import os
import re
import socket
import subprocess
import time
import urllib.request

from serve_process import Serve, check, replay_recording, run_main, test_arguments

BAD = [
    # (what, method, path, body, content type, status, error text)
    ("unknown action", "POST", "/api/explode", "x=1", None, 400, 'unknown action "explode"'),
    ("non-numeric destination", "POST", "/api/route", "destination=five&source=3", None, 400,
     'destination "five" is not a number'),
    ("number too large", "POST", "/api/timer", "id=99999999999", None, 400, "is out of range"),
    ("bad GPI state", "POST", "/api/gpi", "input=2&state=maybe", None, 400, 'GPI state "maybe" is neither on nor off'),
    ("missing field", "POST", "/api/route", "destination=5", None, 400, "missing field source"),
    ("field twice", "POST", "/api/gpi", "input=2&input=3&state=on", None, 400, "given more than once"),
    ("unknown field", "POST", "/api/timer", "id=1&colour=red", None, 400, 'unknown field "colour"'),
    ("malformed escape", "POST", "/api/property", "message=%zz", None, 400, "bad %-escape"),
    ("no name=value", "POST", "/api/timer", "garbage", None, 400, "is not a name=value pair"),
    ("binary body", "POST", "/api/timer", b"\x00\xff\xfe=1", "application/octet-stream", 400, "unknown field"),
    ("control character", "POST", "/api/info", "slot=1&text=a%01b", None, 400, "contains a control character"),
    ("text over 4096 bytes", "POST", "/api/info", "slot=1&text=" + "a" * 5000, "text/plain", 400,
     "5000 bytes long; at most 4096"),
    ("1 MB text", "POST", "/api/info", "slot=1&text=" + "a" * (1 << 20), None, 413, "request body too large"),
    ("unknown control", "POST", "/api/button", "panel=1&control=No_such_control&event=press", None, 400,
     "unknown control No_such_control"),
    ("index outside the device", "POST", "/api/route", "destination=999&source=1", None, 400, "has no index 999"),
    ("other path", "GET", "/etc/passwd", None, None, 404, "no such page"),
    ("action by GET", "GET", "/api/route", None, None, 404, "no such page"),
    ("other method", "PUT", "/", "x", "text/plain", 404, "no such page"),
]


def events_after(stream, serve, action, body):
    """The events an open page gets for one action, as {name: [data, ...]}:
    read until the summary it changes has come, then for a moment longer."""
    status, answer = serve.request("/api/" + action, body, "POST")
    check(status == 200, f"{action} {body}: {status} {answer}")
    seen, quiet_from = b"", None
    deadline = time.monotonic() + 20
    while time.monotonic() < deadline and (quiet_from is None or time.monotonic() < quiet_from + 0.5):
        try:
            seen += stream.recv(65536)
        except socket.timeout:
            pass
        if quiet_from is None and b"event: summary\n" in seen:
            quiet_from = time.monotonic()
    check(quiet_from is not None, f"{action}: no summary on the stream:\n{seen[-500:]!r}")
    events = {}
    for name, data in re.findall(r"event: (\w+)\n((?:data: .*\n)*)\n", seen.decode("utf-8")):
        events.setdefault(name, []).append(data)
    return events


def main():
    a = test_arguments()
    record = os.path.join(a.work, "http.scn")
    devices = ["--devices", a.devices] if a.devices else []
    serve = Serve(a.host + ["serve", a.library, "--port", "0", "--record", record] + devices,
                  os.path.join(a.work, "http.log")).start()
    try:
        status, page = serve.request("/")
        check(status == 200 and "<title>panel_host serve</title>" in page, f"GET / gave {status}")
        status, _ = serve.request("/favicon.ico")
        check(status == 204, f"GET /favicon.ico gave {status}, not 204 (no icon, no refusal)")

        # The event stream starts with the whole state.
        with urllib.request.urlopen(serve.url("/api/events"), timeout=20) as stream:
            seen = ""
            # The first state may come in several writes: read until it is whole.
            whole = ("event: page", "</svg>", "data-control=", "event: devices", "event: summary")
            while not all(part in seen for part in whole):
                chunk = stream.read1(65536).decode("utf-8", "replace")
                check(chunk, "event stream ended early:\n" + seen[-500:])
                seen += chunk
        check(seen.startswith("event: reset"), "stream does not begin with reset")
        check("data-control=" in seen and "event: devices" in seen and "event: summary" in seen,
              "stream lacks the picture's controls, the devices or the summary")

        # After the first state an open page gets only what changed: nothing of
        # the picture or the devices for an action that changes neither, the
        # changed control groups (not the picture) for a route.
        port = int(serve.url().rsplit(":", 1)[1].strip("/"))
        with socket.create_connection(("127.0.0.1", port), timeout=0.2) as stream:
            stream.sendall(f"GET /api/events HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n\r\n".encode())
            events_after(stream, serve, "route", "destination=5&source=park")
            idle = events_after(stream, serve, "timer", "id=1")
            check(not {"page", "controls", "devices"} & idle.keys(), f"a timer tick sent {sorted(idle)}")
            routed = events_after(stream, serve, "route", "destination=5&source=3")
            check("page" not in routed and "devices" in routed, f"a route sent {sorted(routed)}")
            changed = [json.loads("".join(line[6:] for line in d.splitlines())) for d in routed.get("controls", [])]
            check(len(changed) == 1 and any('data-control="Mon_5"' in group for _, group in changed[0]),
                  f"a route to 5 changed {changed}")

        for what, method, path, body, ctype, want, text in BAD:
            status, answer = serve.request(path, body, method, ctype or "application/x-www-form-urlencoded")
            check(status == want, f"{what}: status {status}, expected {want}: {answer[:200]}")
            reply = json.loads(answer)
            check(reply["ok"] is False and text in reply["error"], f"{what}: error {reply['error']!r} lacks {text!r}")
        serve.wait_for(r"^\[refused GET /etc/passwd\] no such page", 10)
        serve.wait_for(r"^\[refused POST /api/info\] request body too large", 10)
        check("No_such_control" not in "".join(l for l in serve.lines if "kind 2" in l),
              "a refused control reached the panel")

        good = [("route", "destination=5&source=park", "route 5 park"),
                ("gpi", "input=2&state=on", "gpi 2 on"),
                ("info", "slot=3&text=Studio+%22A%22", 'info 3 "Studio \\"A\\""'),
                ("property", "message=return%3Dall", 'property "return=all"'),
                ("timer", "id=7", "timer 7")]
        for action, body, step in good:
            status, answer = serve.request("/api/" + action, body, "POST")
            reply = json.loads(answer)
            check(status == 200 and reply["ok"] and reply["step"] == step, f"{action}: {status} {answer}")
            if action == "property":
                check("answer" in reply, "a property action gives the answer")
        serve.wait_for(r"> kind 4 timer: timer 7", 10)
    finally:
        code = serve.interrupt()
    check(code == 0, f"serve exited {code} after SIGINT:\n{serve.output()[-2000:]}")
    serve.wait_for(r"^== summary", 5)
    serve.wait_for(r"^recording: 8 steps written to ", 5)
    check(not any("favicon" in line for line in serve.lines), "the icon's request was logged")
    replay_recording(a.host, a.library, record, [])  # the recording names the devices it was made with
    print("serve over HTTP: page, event stream and its changes, %d refusals, 8 actions, SIGINT, replay: all passed" % len(BAD))


if __name__ == "__main__":
    run_main(main)
