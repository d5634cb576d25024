"""serve outlives its panel (both builds, under wine too): a panel that
aborts or hangs on Press_1 ends only its process; the press is answered with
the fault, actions are refused until POST /api/restart, after which they
work; with --watch a rebuilt library is reloaded within 2 s, one that is no
library (the first one too) is reported as not ready, and a burst of replacements is one
reload, also while a step never returns; a panel process that writes garbage, dies mid-frame or never
answers, and 100 restarts in a row leave the server answering, with one
panel process and flat memory.

usage: serve_workbench_test.py --library ABORTING --fixed FIXED --hang HANGING --fake FAKE --devices FILE --work DIR
       -- HOST...
"""
import os
import re
import shutil
import subprocess
import threading
import time
import urllib.request

from serve_process import Serve, check, replay_recording, run_main, test_arguments

PRESS = "panel=1&control=Press_1&event=press"


def main():
    a = test_arguments("--devices", "--fixed", "--hang", "--fake")
    devices = ["--devices", a.devices]

    def serve(name, library, *extra):
        return Serve(a.host + ["serve", library, "--port", "0"] + devices + list(extra),
                     os.path.join(a.work, name + ".log")).start()

    def post(s, action, body=""):
        return s.request("/api/" + action, body, "POST", timeout=60)

    # A crash or a hang: answered with the fault, the server stays, a restart brings the panel back.
    for name, library, extra, fault in [("abort", a.library, [], "aborted"),
                                        ("hang", a.hang, ["--timeout", "1"], "did not return within 1 s")]:
        record = os.path.join(a.work, name + ".scn")
        s = serve(name, library, "--record", record, *extra)
        try:
            check(post(s, "route", "destination=2&source=5")[0] == 200, f"{name}: route")
            status, body = post(s, "button", PRESS)
            check(status == 500 and '"fault":true' in body and fault in body, f"{name}: press: {status} {body}")
            check(s.request("/")[0] == 200, f"{name}: the page is gone after the fault")
            status, body = post(s, "route", "destination=3&source=6")
            check(status == 400 and "not running" in body, f"{name}: an action ran without a panel: {body}")
            status, body = post(s, "restart")
            check(status == 200, f"{name}: restart: {status} {body}")
            check(post(s, "route", "destination=3&source=6")[0] == 200, f"{name}: no action after the restart")
            s.wait_for(r"TP 'text=SRC 5' '1' 'Dst_2'", 5)  # the devices as they were, reported to the new panel
        finally:
            check(s.interrupt() == 0, f"{name}: no clean stop")
        check("# the panel " in open(record).read(), f"{name}: the recording does not mark the fault")
        replay_recording(a.host, library, record, devices)

    # --watch: the fixed build replaces the aborting one; a file that is no library, and a burst of builds.
    live = os.path.join(a.work, "live", os.path.basename(a.library))
    os.makedirs(os.path.dirname(live), exist_ok=True)

    def build(source):
        shutil.copy(source, live + ".tmp")
        os.replace(live + ".tmp", live)

    build(__file__)  # the first build is no library: serve waits for the next
    watch_record = os.path.join(a.work, "watch.scn")
    s = serve("watch", live, "--watch", "--record", watch_record)
    try:
        check(post(s, "timer", "id=1")[0] == 400, "watch: an action ran before any library loaded")
        s.wait_for(r"^panel_host: .*; waiting for the next build$", 5)
        with urllib.request.urlopen(s.url("/api/events"), timeout=10) as events:
            check(b'"state":"down"' in events.read1(1 << 20), "watch: the page does not show the failure")
        build(a.library)
        s.wait_for(r"^\[panel process \d+\] .* loaded$", 30)
        s.wait_for(r"^\[the library was rebuilt: reloaded\]", 5)
        check(post(s, "button", PRESS)[0] == 500, "watch: the aborting build did not abort")
        with urllib.request.urlopen(s.url("/api/events"), timeout=10) as events:
            shown = events.read1(1 << 20)
        check(b'"state":"down"' in shown and b'"note":""' in shown, "watch: a reload's note stays beside the crash")
        start, since = time.monotonic(), len(s.lines)
        build(a.fixed)
        s.wait_for(r"^\[panel process \d+\] .* loaded$", 30, since)
        # A deadline, not a measure: a watcher that missed the build never reloads.
        reloaded = False
        while not reloaded and time.monotonic() - start < 60:
            reloaded = post(s, "route", "destination=1&source=2")[0] == 200
            time.sleep(0.05)
        check(reloaded, f"watch: not reloaded after {time.monotonic() - start:.2f} s")
        check(post(s, "button", PRESS)[0] == 200, "watch: the fixed build does not show")
        s.wait_for(r"TP 'text=pressed' '1' 'Press_1'", 5)
        with open(live + ".tmp", "wb") as f:
            f.write(b"not a library\n" * 100)
        since = len(s.lines)
        os.replace(live + ".tmp", live)
        # Tried in a process of its own, it is not ready: the fixed build's panel runs on.
        s.wait_for(r"^\[the rebuilt library is not ready \(.*\); waiting for the next build\]$", 30, since)
        check(s.request("/")[0] == 200 and post(s, "button", PRESS)[0] == 200, "watch: not a library")
        loads = len(re.findall(r"\] .* loaded\n", s.output()))
        for n in range(10):
            build(a.fixed if n % 2 else a.library)
            time.sleep(0.02)  # the burst well within the 300 ms a build must rest, on a busy machine too
        s.wait_for(r"^\[panel process \d+\] .* loaded$", 30, since)
        time.sleep(1.5)
        check(len(re.findall(r"\] .* loaded\n", s.output())) == loads + 1, "watch: a burst was not one reload")
        check(post(s, "button", PRESS)[0] == 200, "watch: the last build of the burst is not the one loaded")
    finally:
        check(s.interrupt() == 0, "watch: no clean stop")
    # The session's builds differ in what they write; it replays with the one it ends with.
    replay_recording(a.host, live, watch_record, devices)
    print("watch: the fixed build answered once it had replaced the file; the recording replays with it")

    # A step that never returns (--timeout 0, as under a debugger) does not keep a new build out.
    build(a.hang)
    s = serve("watch-hang", live, "--watch", "--timeout", "0")
    try:
        pressed = []
        press = threading.Thread(target=lambda: pressed.append(post(s, "button", PRESS)))
        press.start()
        s.wait_for(r'> kind 2 button: .*Press_1', 30)
        since = len(s.lines)
        build(a.fixed)
        press.join(60)
        check(pressed and pressed[0][0] == 500 and "rebuilt library" in pressed[0][1], f"watch-hang: {pressed}")
        s.wait_for(r"^\[panel process \d+\] .* loaded$", 30, since)
        check(post(s, "button", PRESS)[0] == 200, "watch-hang: the fixed build does not show")
    finally:
        check(s.interrupt() == 0, "watch-hang: no clean stop")

    # A panel process that breaks the protocol: its process ends, the server answers.
    fake = a.fake
    for mode, why in [("garbage", "not the protocol"), ("die", "ended"), ("silent", "did not answer in time"),
                      ("stray", "a control group the picture does not have")]:
        s = serve(mode, a.fixed, "--panel-process", fake, "--base", mode, "--timeout", "1")
        try:
            start = time.monotonic()
            status, body = post(s, "timer", "id=1")
            check(status == 500 and why in body, f"{mode}: {status} {body}")
            check(s.request("/")[0] == 200, f"{mode}: the page is gone")
            print(f"{mode}: answered with the fault after {time.monotonic() - start:.2f} s")
        finally:
            check(s.interrupt() == 0, f"{mode}: no clean stop")

    # A panel process that answers twice (a panel that forked, its child
    # carrying on): each action is answered with its own step, the extra
    # answer is said and left out.
    s = serve("forked", a.fixed, "--panel-process", fake, "--base", "forked")
    try:
        for timer in ["1", "2", "3"]:
            status, body = post(s, "timer", "id=" + timer)
            check(status == 200 and f'"step":"timer {timer}"' in body, f"forked: timer {timer}: {status} {body}")
        # The server says it as it reads it; the test reads the server's output as it comes.
        s.wait_for(r"an answer to message 2, not to message 3 that is awaited", 30)
    finally:
        check(s.interrupt() == 0, "forked: no clean stop")

    # 100 restarts: one panel process at the end, the server's memory flat.
    base = f"restarts-{os.getpid()}"  # on the panel processes' command lines: other tests run this panel too
    s = serve("restarts", a.fixed, "--base", base)
    try:
        def rss():
            return int(re.search(r"VmRSS:\s+(\d+)", open(f"/proc/{s.process.pid}/status").read()).group(1))

        def children():  # by command line: under wine a process's parent is not the server
            mine = []
            for pid in filter(str.isdigit, os.listdir("/proc")):
                try:
                    line = open(f"/proc/{pid}/cmdline", "rb").read().decode("utf-8", "replace")
                except OSError:
                    continue
                if "serve-panel" in line and base in re.split(r"[\0 ]", line):
                    mine.append(pid)
            return mine
        for n in range(100):
            check(post(s, "restart")[0] == 200, f"restart {n}")
            if n == 9:
                before = rss()
        after = rss()
        check(len(children()) == 1, f"restarts: panel processes left: {children()}")
        check(after - before < 4096, f"restarts: memory grew from {before} to {after} kB")
        print(f"100 restarts: server memory {before} kB after 10, {after} kB after 100; 1 panel process")
    finally:
        check(s.interrupt() == 0, "restarts: no clean stop")


if __name__ == "__main__":
    run_main(main)
