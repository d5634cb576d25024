"""serve with several scripts on one set of devices (a studio): a press on
the relay's Take (script=relay) routes destination 9 with the host's own
command, and the watch's picture shows it by the time the press is answered;
a third script, the first given, crashes: the other two and the devices
stay live (a page's route, naming no script, is made by the first script
that runs and reaches the others), and its restart starts from the devices
as they are; a script no one serves is refused in one line; the
recording, with its "script" steps, replays with run --strict. A script that
crashes on another's change: the recording says a replay crashes there too,
and it does. Two scripts
that answer each other's routes for ever are stopped after the bound of
passes, the action answered and the host live. An action another script
answers is recorded with what its script sent when told of the answer, and
replays. A GPI set in one script's
process is held by the other's as well.

usage: serve_studio_test.py --library RELAY --watch LIB --crash LIB --ping LIB --pong LIB --devices FILE --work DIR
       -- HOST_COMMAND...
"""
import json
import os
import re
import subprocess
import time
import urllib.request

from serve_process import Serve, check, replay_recording, run_main, test_arguments


def state_now(serve, scripts):
    """What a page that connects now is shown: {script: {event: data}}, and the devices."""
    seen, shown, devices = "", {}, None
    deadline = time.monotonic() + 20
    with urllib.request.urlopen(serve.url("/api/events"), timeout=20) as stream:
        while devices is None or any({"status", "page"} - shown.get(s, {}).keys() for s in scripts):
            check(time.monotonic() < deadline, "the whole state did not come:\n" + seen[-500:])
            chunk = stream.read1(65536).decode("utf-8", "replace")
            check(chunk, "event stream ended early:\n" + seen[-500:])
            seen += chunk
            current, shown = None, {}
            for name, data in re.findall(r"event: (\w+)\n((?:data: .*\n)*)\n", seen):
                data = "\n".join(line[6:] for line in data.splitlines())
                if name == "scripts":
                    check(json.loads(data) == scripts, f"scripts {data}")
                elif name == "script":
                    current = data
                elif name == "devices":
                    devices = json.loads(data)
                elif name in ("status", "page", "summary"):
                    shown.setdefault(current, {})[name] = data
    return shown, devices


def shows(page, control, text):
    group = re.search(r'data-control="%s">.*?</g>' % control, page, re.S)
    return bool(group) and f">{text}</text>" in group.group(0)


def act(serve, action, body, status=200):
    code, answer = serve.request("/api/" + action, body, "POST", timeout=120)
    check(code == status, f"{action} {body}: {code} {answer}")
    return json.loads(answer)


def problems(text):
    """The "other problems" of every summary in a conversation, summed."""
    return sum(int(n) for n in re.findall(r"other problems: (\d+)", text))


def endless(a):
    """Two scripts that answer each other for ever hit the bound in serve as in run: at the same report, so
    the recording replays with the same expectations and the same counted problem, and serve's exit status
    is run --strict's."""
    record = os.path.join(a.work, "endless.scn")
    libraries = [f"ping={a.ping}", f"pong={a.pong}"]
    # The Take's answer waits for all its passes: under wine they take longer than serve's usual wait.
    serve = Serve(a.host + ["serve"] + libraries + ["--port", "0", "--devices", a.devices, "--record", record,
                            "--answer-wait-ms", "110000"],
                  os.path.join(a.work, "endless.log")).start()
    bound = r"\[(ping|pong)\] +! .*: the scripts keep changing devices for each other"
    try:
        serve.wait_for(bound, 120)  # as in run, pong starting answers what ping did as it started
        since = len(serve.lines)
        act(serve, "route", "script=ping&destination=9&source=1")
        serve.wait_for(bound, 120, since)
        told = sum(1 for line in serve.lines[since:] if re.match(r"\[(ping|pong)\] +> kind 1 revertive", line))
        check(told == 10000, f"{told} reports told")
        act(serve, "route", "script=pong&destination=1&source=1")  # the host is live
    finally:
        code = serve.interrupt()
    check(code == 1, f"serve exited {code}, not 1 (the bound, a fault of the panels):\n{serve.output()[-2000:]}")
    served = problems(serve.output())
    replay = subprocess.run(a.host + ["run"] + libraries + [record, "--strict"], capture_output=True,
                            encoding="utf-8", errors="replace", timeout=300)
    check(replay.returncode == 1 and " 0 failed" in replay.stdout,
          f"the replay exited {replay.returncode}:\n{replay.stdout[-3000:]}")
    check(problems(replay.stdout) == served == 2, f"problems: serve {served}, run {problems(replay.stdout)}")
    print("two scripts answering each other: cut at the bound's report in serve as in run; replayed")


def answered_recorded(a):
    """The relay's Take routes, ping answers the route with its own, the relay shows that: the Take's
    step holds what the relay sent when told of ping's route too (as run checks it), and replays."""
    record = os.path.join(a.work, "answered.scn")
    libraries = [f"relay={a.library}", f"ping={a.ping}"]
    serve = Serve(a.host + ["serve"] + libraries + ["--port", "0", "--devices", a.devices, "--record", record],
                  os.path.join(a.work, "answered.log")).start()
    try:
        act(serve, "button", "script=relay&panel=1&control=Take&event=press")
    finally:
        code = serve.interrupt()
    check(code == 0, f"serve exited {code}:\n{serve.output()[-2000:]}")
    text = open(record).read()
    check("XR 3 9 5\nTP 'text=SRC 5' '1' 'Dst_9'\nTP 'text=SRC 6' '1' 'Dst_9'\nend\n" in text, text)
    replay_recording(a.host, libraries, record, [])
    print("a studio's action recorded after ping answered it: replayed")


def gpi_between_scripts(a):
    """A GPI input set from the third's page reaches the watch's process: once the third is down, the
    devices the pages show are the watch's alone."""
    devices = os.path.join(a.work, "gpi.devices")
    with open(a.devices) as f, open(devices, "w") as out:
        out.write(f.read() + "gpi 1 inputs=16\n")
    serve = Serve(a.host + ["serve", f"third={a.crash}", f"watch={a.watch}", "--port", "0", "--devices", devices],
                  os.path.join(a.work, "gpi.log")).start()
    try:
        act(serve, "gpi", "script=third&input=5&state=on")
        act(serve, "button", "script=third&panel=1&control=Crash&event=press", 500)
        act(serve, "route", "script=watch&destination=1&source=2")  # the watch's process reports its devices
        _, devices = state_now(serve, ["third", "watch"])
        check(devices["router"]["states"][0] == "2", f"not the watch's devices: {devices}")
        check(devices["gpi"]["states"][4] == "1", f"the watch holds GPI 5 as {devices['gpi']['states'][4]!r}")
    finally:
        code = serve.interrupt()
    check("neither on nor off" not in serve.output(), serve.output()[-2000:])
    check(code == 0, f"serve exited {code}:\n{serve.output()[-2000:]}")
    print("a GPI set by one script of a studio: the other holds it")


def crash_on_change(a):
    record = os.path.join(a.work, "crash_on_change.scn")
    libraries = [f"relay={a.library}", f"third={a.crash}"]
    serve = Serve(a.host + ["serve"] + libraries + ["--port", "0", "--devices", a.devices, "--record", record],
                  os.path.join(a.work, "crash_on_change.log")).start()
    try:
        act(serve, "route", "script=relay&destination=9&source=13")  # carried out; third ends on its report
        shown, _ = state_now(serve, ["relay", "third"])
        check(json.loads(shown["third"]["status"])["state"] == "down", "the third is not down")
    finally:
        code = serve.interrupt()
    check(code == 0, f"serve exited {code}")
    text = open(record).read()
    check("told of a change relay made in the step above: a replay tells it too" in text, text)
    replay = subprocess.run(a.host + ["run"] + libraries + [record, "--strict"], capture_output=True, timeout=120)
    check(replay.returncode == 3, f"the replay exited {replay.returncode}, not 3 (the crash)")
    print("a crash on another script's change: recorded as such, and replayed")


def scenario(a, text, status):
    """Serves relay and watch with a studio scenario; the expectations of both scripts, summed."""
    path = os.path.join(a.work, f"studio_{status}.scn")
    with open(path, "w") as f:
        f.write(f"devices {os.path.relpath(a.devices, a.work)}\n" + text)
    record = os.path.join(a.work, "recorded", f"studio_{status}.scn")
    libraries = [f"relay={a.library}", f"watch={a.watch}"]
    serve = Serve(a.host + ["serve"] + libraries + ["--port", "0", "--scenario", path, "--record", record],
                  os.path.join(a.work, f"scenario_{status}.log")).start()
    try:
        serve.wait_for(r"^panel_host: .* played \(\d+ steps\); live$", 60)
    finally:
        code = serve.interrupt()
    check(code == status, f"serve exited {code}, not {status}:\n{serve.output()[-2000:]}")
    counts = re.findall(r"^\[(relay|watch)\] expectations: (\d+) passed, (\d+) failed$", serve.output(), re.M)
    check(len(counts) == 2, f"summaries {counts}")
    return record, libraries, [sum(int(c[i]) for c in counts) for i in (1, 2)]


def studio_scenario(a):
    """A studio's scenario plays in serve as in run: each script's steps in its process."""
    with open(a.scenario) as f:
        text = "".join(line for line in f if not line.startswith("devices "))
    run = subprocess.run(a.host + ["run", f"relay={a.library}", f"watch={a.watch}", a.scenario, "--strict"],
                         capture_output=True, text=True, timeout=120)
    ran = re.search(r"expectations: (\d+) passed, (\d+) failed", run.stdout)
    check(run.returncode == 0 and ran, f"run failed ({run.returncode}):\n{run.stdout[-2000:]}")
    record, libraries, served = scenario(a, text, 0)
    check(served == [int(ran.group(1)), 0], f"run said {ran.group(0)!r}, serve {served}")
    replay_recording(a.host, libraries, record, [])
    _, _, served = scenario(a, text.replace('Mon_9 text "SRC 5"', 'Mon_9 text "SRC 6"'), 1)
    check(served[1] == 1, f"a wrong expectation of watch's: {served}")
    print(f"a studio scenario: serve and run both say {ran.group(0)!r}; the recording replays")


def main():
    a = test_arguments("--devices", "--watch", "--crash", "--ping", "--pong", "--scenario")
    gpi_between_scripts(a)
    studio_scenario(a)
    endless(a)
    answered_recorded(a)
    crash_on_change(a)
    scripts = ["third", "relay", "watch"]
    record = os.path.join(a.work, "studio.scn")
    if os.path.exists(record):
        os.remove(record)
    libraries = [f"third={a.crash}", f"relay={a.library}", f"watch={a.watch}"]
    serve = Serve(a.host + ["serve"] + libraries + ["--port", "0", "--devices", a.devices, "--record", record],
                  os.path.join(a.work, "studio.log")).start()
    try:
        act(serve, "button", "script=relay&panel=1&control=Take&event=press")
        shown, devices = state_now(serve, scripts)
        check(shows(shown["watch"]["page"], "Mon_9", "SRC 5"), "the watch was not told of the relay's route")
        check(shows(shown["third"]["page"], "Mon_9", "SRC 5"), "the third was not told of the relay's route")
        check(devices["router"]["states"][8] == "5", f"destination 9: {devices['router']['states']}")
        check(any(re.match(r"\[watch\] +> kind 1 revertive: device 3 index 9 state 5", line) for line in serve.lines),
              "the conversation does not name the watch's report")

        answer = act(serve, "button", "script=third&panel=1&control=Crash&event=press", 500)
        check(answer["fault"], f"the crash: {answer}")
        act(serve, "route", "destination=9&source=2")
        serve.wait_for(r"^\[relay\] \[step \d+ from the page\] route 9 2$", 10)
        shown, devices = state_now(serve, scripts)
        check(json.loads(shown["third"]["status"])["state"] == "down", "the third is not down")
        for name in ("relay", "watch"):
            check(json.loads(shown[name]["status"])["state"] == "running", f"{name} is not running")
        check(shows(shown["watch"]["page"], "Mon_9", "SRC 2"), "the watch was not told of the page's route")
        act(serve, "restart", "script=third")
        shown, _ = state_now(serve, scripts)
        check(shows(shown["third"]["page"], "Mon_9", "SRC 2"), "the restarted third did not start from the devices")

        refused = act(serve, "restart", "script=fourth", 400)
        check(refused["error"] == 'restart: no script is named "fourth" (serve\'s: third, relay, watch)', refused)
    finally:
        code = serve.interrupt()
    check(code == 0, f"serve exited {code}:\n{serve.output()[-2000:]}")
    text = open(record).read()
    check("script relay\n" in text and "script third\n" in text and "start third" in text, text)
    replay_recording(a.host, libraries, record, [])
    print("a studio of three scripts: the relay's route shown by the others, a crash and a restart; replayed")


run_main(main)
