"""serve stays bounded and truthful whatever its panel does (POSIX):
processes the panel starts neither hold a restart or Ctrl-C nor outlive its
process group; a flood on standard error while no action runs is kept
bounded; --watch copies into a fresh private folder and never writes through
a planted link; a build that does not load (no library, cut short, crashing
as it loads) is not ready and the old panel runs on; a link turned to another
file of the same size and time is a new build; recordings replay with
run --strict, a restart's with the library loaded afresh as serve's new
process loaded it; serve exits with run's status for what it played.

usage: serve_supervisor_test.py --library FIXED --spawn S --flood F --block B --crash-on-load C --globals G
       --devices FILE --work DIR -- HOST...
"""
import os
import re
import shutil
import signal
import stat
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "server"))
from serve_process import Serve, check, replay_recording, run_main, test_arguments  # noqa: E402

PRESS = "panel=1&control=Press_1&event=press"
DEADLINE = 20  # s: a bound only as a deadline, never a measure of speed


def group_members(pgid):
    members = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[2]) == pgid and fields[0] != "Z":
            members.append(int(pid))
    return members


def end_escapees(sid_before):
    """The processes that left the group on purpose ("setsid sleep 31"): the test's to end."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            if open(f"/proc/{pid}/cmdline", "rb").read() == b"sleep\x0031\x00" and int(pid) not in sid_before:
                os.kill(int(pid), signal.SIGKILL)
        except OSError:
            pass


def main():
    a = test_arguments("--devices", "--spawn", "--flood", "--block", "--crash-on-load", "--globals")
    devices = ["--devices", a.devices]
    tmp = os.path.join(a.work, "tmp")
    shutil.rmtree(tmp, ignore_errors=True)
    os.makedirs(tmp)
    os.environ["TMPDIR"] = tmp  # where the --watch copies go

    def serve(name, library, *extra, preexec=None):
        s = Serve.__new__(Serve)
        s.command, s.lines, s.port = a.host + ["serve", library, "--port", "0"] + devices + list(extra), [], None
        s.log = open(os.path.join(a.work, name + ".log"), "w", encoding="utf-8", errors="replace")
        s.process = subprocess.Popen(s.command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                     stdin=subprocess.DEVNULL, preexec_fn=preexec)
        import threading
        threading.Thread(target=s._read, daemon=True).start()
        return s.start()

    def post(s, action, body=""):
        return s.request("/api/" + action, body, "POST", timeout=DEADLINE)

    def panel_pid(s, since=0):
        return int(s.wait_for(r"^\[panel process (\d+)\] .* loaded$", 60, since).group(1))

    escapees = set()
    # 1, 7: a press starts "sleep 30 &" (in the group) and "setsid sleep 31 &" (out of it).
    s = serve("spawn", a.spawn)
    try:
        since = 0
        for what in ["restart", "interrupt"]:
            pid = panel_pid(s, since)
            since = len(s.lines)
            check(post(s, "button", PRESS)[0] == 200, f"spawn: press before the {what}")
            check(len(group_members(pid)) >= 2, f"spawn: the panel started nothing in its group")
            start = time.monotonic()
            if what == "restart":
                status, body = post(s, "restart")
                check(status == 200, f"spawn: restart: {status} {body}")
            else:
                code = s.interrupt(timeout=DEADLINE)
                check(code == 0, f"spawn: Ctrl-C exit {code}")
            print(f"spawn: {what} took {time.monotonic() - start:.2f} s")
            check(group_members(pid) == [], f"spawn: processes of the group outlive the {what}")
    finally:
        s.kill()
        end_escapees(escapees)

    # 2: 256 MiB on standard error while no action runs: the server keeps a bounded part.
    s = serve("flood", a.flood)
    try:
        pid = panel_pid(s)
        for _ in range(600):  # bounded: the flood written, by the panel process's own count
            if int(re.search(r"wchar: (\d+)", open(f"/proc/{pid}/io").read()).group(1)) >= 256 << 20:
                break
            time.sleep(0.1)
        check(post(s, "button", PRESS)[0] == 200, "flood: press")
        s.wait_for(r"bytes of the panel process's standard error left out", 10)
        s.wait_for(r"^the flood's end$", 10)
        peak = int(re.search(r"VmHWM:\s+(\d+)", open(f"/proc/{s.process.pid}/status").read()).group(1))
        check(peak < 100 << 10, f"flood: the server's peak memory {peak} KiB")
        print(f"flood: the server's peak memory {peak >> 10} MiB")
    finally:
        check(s.interrupt() == 0, "flood: no clean stop")

    # 3, 4, 5: --watch. Links planted where a predictable copy folder would be are left alone.
    live = os.path.join(a.work, "live", "panel.so")
    os.makedirs(os.path.dirname(live), exist_ok=True)
    victim = os.path.join(a.work, "victim")

    def build(source, cut=None):
        data = open(source, "rb").read()
        with open(live + ".tmp", "wb") as f:
            f.write(data if cut is None else data[:cut])
        os.replace(live + ".tmp", live)

    def plant():
        for n in range(1, 6):
            folder = os.path.join(tmp, f"panel_host-{os.getpid()}-{n}")
            os.makedirs(folder, exist_ok=True)
            os.symlink(victim, os.path.join(folder, "panel.so"))

    good = a.spawn  # the blocking build's twin but for its destructor: a replay with it matches
    with open(victim, "w") as f:
        f.write("not to be written\n")
    build(good)
    record = os.path.join(a.work, "watch.scn")
    s = serve("watch", live, "--watch", "--timeout", "2", "--record", record, preexec=plant)
    try:
        pid = panel_pid(s)
        check(open(victim, "rb").read() == b"not to be written\n", "watch: a planted link was written through")
        maps = open(f"/proc/{pid}/maps").read()
        check(victim not in maps, "watch: the panel's process loaded a planted path")
        loaded = re.search(r"(/\S+/panel\.so)$", maps, re.M).group(1)
        folder = os.path.dirname(loaded)
        check(os.path.realpath(folder).startswith(os.path.realpath(tmp)), f"watch: the copy is at {loaded}")
        check(stat.S_IMODE(os.stat(folder).st_mode) == 0o700, "watch: the copy's folder is not private")
        check(post(s, "route", "destination=1&source=2")[0] == 200, "watch: route")
        for what, source, cut in [("no library", __file__, None), ("cut short", good, 4096),
                                  ("crashing as it loads", a.crash_on_load, None)]:
            since = len(s.lines)
            build(source, cut)
            s.wait_for(r"^\[the rebuilt library is not ready \(.*\); waiting for the next build\]$", 30, since)
            check(post(s, "route", "destination=2&source=3")[0] == 200, f"watch: {what}: the old panel is gone")
            check(not re.search(r"^\[panel process \d+ ended\]", "\n".join(s.lines[since:]), re.M),
                  f"watch: {what} was taken for the panel's fault")
        since = len(s.lines)
        build(a.block)  # its panel never returns from its destructor: the next reload ends it
        panel_pid(s, since)
        check(post(s, "route", "destination=3&source=4")[0] == 200, "watch: route on the blocking build")
        since = len(s.lines)
        build(good)
        panel_pid(s, since)
        check(post(s, "route", "destination=4&source=5")[0] == 200, "watch: route after the blocking build")
        # A link turned to another file of the same size and time is a new build.
        twin = [os.path.join(a.work, "live", n) for n in ("one.so", "two.so")]
        for t in twin:
            shutil.copy(good, t)
            os.utime(t, (1000000000, 1000000000))
        os.symlink(twin[0], live + ".link")
        os.replace(live + ".link", live)
        since = len(s.lines)
        panel_pid(s, since)
        os.symlink(twin[1], live + ".link")
        since = len(s.lines)
        os.replace(live + ".link", live)
        panel_pid(s, since)
    finally:
        check(s.interrupt() == 0, "watch: no clean stop")
    check(open(victim).read() == "not to be written\n", "watch: a planted link was written through")
    left = [n for n in os.listdir(tmp) if not re.fullmatch(rf"panel_host-\d+-\d", n)]
    check(left == [], f"watch: copies left behind: {left}")
    replay_recording(a.host, live, record, devices)  # the build it ends with

    # 5, 6: serve exits as run does for what it played; the recording replays to that status.
    scenarios = os.path.join(a.work, "scenarios")
    os.makedirs(scenarios, exist_ok=True)
    cases = [("expectation", a.library, 'button 1 Press_1 "press"\nexpect-commands none\n', 1),
             ("block", a.block, 'route 1 2\n', 4)]
    for name, library, text, expected in cases:
        scenario = os.path.join(scenarios, name + ".scn")
        with open(scenario, "w") as f:
            f.write(text)
        run = subprocess.run(a.host + ["run", library, scenario, "--timeout", "2"] + devices,
                             capture_output=True, timeout=120).returncode
        record = os.path.join(a.work, name + ".scn")
        s = serve(name, library, "--scenario", scenario, "--timeout", "2", "--record", record)
        if name == "block":
            check(post(s, "restart")[0] == 200, "block: restart")
        code = s.interrupt(timeout=60)
        check(run == expected and code == expected, f"{name}: run exits {run}, serve {code}, run's rule {expected}")
        replay = subprocess.run(a.host + ["run", library, record, "--strict", "--timeout", "2"] + devices,
                                capture_output=True, timeout=120).returncode
        check(replay == (0 if name == "expectation" else expected), f"{name}: the replay exits {replay}")
        print(f"{name}: run, serve and the replay exit {run}, {code}, {replay}")

    # 8: pressed, the panel never returns from its destructor: the restart's stop is given up, and the new
    # process's panel, its library's globals new, ends without a hang. The replay's "restart" loads the
    # library afresh too, and ends as serve's session did.
    record = os.path.join(a.work, "restart.scn")
    s = serve("restart", a.globals, "--timeout", "2", "--record", record)
    check(post(s, "button", PRESS)[0] == 200, "restart: press")
    check(post(s, "restart")[0] == 200, "restart: restart")
    code = s.interrupt(timeout=60)
    recorded = open(record).read()
    replay = subprocess.run(a.host + ["run", a.globals, record, "--strict", "--timeout", "2"] + devices,
                            capture_output=True, encoding="utf-8", errors="replace", timeout=120)
    check(code == 0 and "\nabandon\n" in recorded and "\nrestart\n" in recorded,
          f"restart: serve exits {code}, recorded:\n{recorded}")
    check(replay.returncode == 0, f"restart: the replay exits {replay.returncode}:\n{replay.stdout[-3000:]}")
    left = [n for n in os.listdir(tmp) if not re.fullmatch(rf"panel_host-\d+-\d", n)]
    check(left == [], f"restart: the replay's copies of the library left behind: {left}")
    print(f"restart: serve and the replay exit {code}, {replay.returncode}")


if __name__ == "__main__":
    run_main(main)
