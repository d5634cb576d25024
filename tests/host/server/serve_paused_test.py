"""serve --scenario FILE --paused: nothing is played until asked; stepping to
4, 3 and 2 of a scenario that routes twice shows the page after each step
(the devices and the picture an event stream then reports), backwards in a
new panel process; the steps are numbered as run numbers them; a bad "to"
and page actions before the last step are refused in one line; after the
last step actions are carried out, and a step back forgets them. With
--abort, a panel that aborts at step 2: stepping past it ends on it, and a
step back replays the steps before it.

usage: serve_paused_test.py --library LIB --devices FILE [--abort LIB] --work DIR -- HOST_COMMAND...
"""
import json
import os
import re
import subprocess
import time
import urllib.request

from serve_process import Serve, check, run_main, test_arguments

# Routes twice, the GPI between: each step leaves the page otherwise.
ROUTES = """# Routes twice, the GPI between.
route 1 5
gpi 2 off
route 2 6
gpi 2 on
expect-property Dst_2 text SRC 6
"""
# After step N: router 7's four destinations, GPI 5's four inputs, Dst_2's text.
AFTER = {
    2: (["5", "2", "3", "4"], ["0", "0", "0", "0"], "SRC 2"),
    3: (["5", "6", "3", "4"], ["0", "0", "0", "0"], "SRC 6"),
    4: (["5", "6", "3", "4"], ["0", "1", "0", "0"], "SRC 6"),
    5: (["5", "6", "3", "4"], ["0", "1", "0", "0"], "SRC 6"),
}
CRASH = "route 1 5\nbutton 1 Press_1 press\nroute 2 6\n"


def state_now(serve):
    """What a page that connects now is shown: {event: data} of the whole state."""
    seen, events = "", {}
    deadline = time.monotonic() + 20
    with urllib.request.urlopen(serve.url("/api/events"), timeout=20) as stream:
        while not {"status", "devices", "page"} <= events.keys():
            check(time.monotonic() < deadline, "the whole state did not come:\n" + seen[-500:])
            chunk = stream.read1(65536).decode("utf-8", "replace")
            check(chunk, "event stream ended early:\n" + seen[-500:])
            seen += chunk
            for name, data in re.findall(r"event: (\w+)\n((?:data: .*\n)*)\n", seen):
                events[name] = "\n".join(line[6:] for line in data.splitlines())
    return events


def step(serve, to, status=200):
    code, body = serve.request("/api/step", f"to={to}", "POST", timeout=120)
    check(code == status, f"step to {to}: {code} {body}")
    return json.loads(body)


def check_page(serve, shown, pid_before=None):
    """The page after step `shown`; the panel process's id."""
    state = state_now(serve)
    status, devices = json.loads(state["status"]), json.loads(state["devices"])
    check(status["paused"] == {"shown": shown, "of": 5}, f"after step {shown}: status {status}")
    router, gpi, text = AFTER[shown]
    check(devices["router"]["states"] == router and devices["gpi"]["states"] == gpi,
          f"after step {shown}: devices {devices}, expected router {router}, GPI {gpi}")
    group = re.search(r'data-control="Dst_2">.*?</g>', state["page"], re.S)
    check(group and f">{text}</text>" in group.group(0), f"after step {shown}: Dst_2 is not {text!r}")
    check(pid_before is None or status["pid"] != pid_before, f"step back to {shown}: no new panel process")
    return status["pid"]


def stepping(a, host, devices, scenario):
    serve = Serve(host + ["serve", a.library, "--port", "0", "--scenario", scenario, "--paused"] + devices,
                  os.path.join(a.work, "paused.log")).start()
    try:
        serve.wait_for(r"paused before its first step \(5 steps\)", 60)
        check(json.loads(state_now(serve)["status"])["paused"] == {"shown": 0, "of": 5}, "not paused at 0")
        check("[step 1 " not in serve.output(), "a step was played before it was asked for")
        pid = None
        for to in (4, 3, 2):
            answer = step(serve, to)
            check(answer["ok"] and answer["shown"] == to and answer["of"] == 5, f"step to {to}: {answer}")
            pid = check_page(serve, to, pid)
            print(f"step {to}: the page after it, panel process {pid}")

        for to, error in (("x", 'step: to "x" is not a number'),
                          ("6", 'step: to "6" is out of range (0 to 5, the scenario\'s steps)'),
                          ("", 'step: to "" is not a number')):
            answer = step(serve, to, 400)
            check(answer["error"] == error, f"to={to!r}: {answer['error']!r}")
        waits = "paused at step 2 of 5: actions are carried out once the last step is shown (step to 5)"
        for action, body in (("route", "destination=1&source=2"), ("restart", "")):
            code, answer = serve.request("/api/" + action, body, "POST")
            check(code == 400 and json.loads(answer)["error"] == waits, f"{action} while paused: {code} {answer}")

        check(step(serve, 5)["shown"] == 5, "step to 5")
        check_page(serve, 5)
        code, answer = serve.request("/api/route", "destination=1&source=2", "POST")
        check(code == 200, f"a route after the last step: {code} {answer}")
        check(json.loads(state_now(serve)["devices"])["router"]["states"][0] == "2", "the route was not carried out")
        step(serve, 5)  # the page acted since: the last step's page again
        check_page(serve, 5)
        # The scenario's steps (a step back also stops the old panel, a step of its own).
        step_lines = [line for line in serve.lines if line.startswith("[step ") and scenario in line]
    finally:
        code = serve.interrupt()
    check(code == 0, f"serve exited {code}:\n{serve.output()[-2000:]}")
    return step_lines


def crash_stepping(a, host, devices, scenario):
    serve = Serve(host + ["serve", a.abort, "--port", "0", "--scenario", scenario, "--paused"] + devices,
                  os.path.join(a.work, "paused_crash.log")).start()
    try:
        serve.wait_for(r"paused before its first step \(3 steps\)", 60)
        answer = step(serve, 3, 500)
        check(answer["fault"] and answer["shown"] == 2 and "step 2" in answer["error"], f"to 3: {answer}")
        answer = step(serve, 1)
        check(answer["shown"] == 1, f"back to 1: {answer}")
        devices_now = json.loads(state_now(serve)["devices"])["router"]["states"]
        check(devices_now == ["5", "2", "3", "4"], f"after step 1 again: {devices_now}")
    finally:
        code = serve.interrupt()
    check(code == 3, f"a crash stepped into is run's exit 3, serve gave {code}")
    print("a crash at step 2: shown as step 2, step 1 replayed after it; exit 3")


def main():
    a = test_arguments("--devices", optional=["--abort"])
    devices = ["--devices", a.devices]
    scenario = os.path.join(a.work, "routes.scn")
    with open(scenario, "w") as f:
        f.write(ROUTES)
    run = subprocess.run(a.host + ["run", a.library, scenario] + devices, capture_output=True, text=True,
                         timeout=120)
    check(run.returncode == 0, f"run failed ({run.returncode}):\n{run.stdout[-2000:]}")
    ran = [line for line in run.stdout.splitlines() if line.startswith("[step ")]
    check(len(ran) == 5, f"run numbered {ran}")

    served = stepping(a, a.host, devices, scenario)
    # Each step is numbered as run numbers it, whichever process played it.
    check(set(served) == set(ran), f"serve's steps {sorted(set(served))} are not run's {ran}")

    if a.abort:
        crash = os.path.join(a.work, "crash.scn")
        with open(crash, "w") as f:
            f.write(CRASH)
        crash_stepping(a, a.host, devices, crash)


if __name__ == "__main__":
    run_main(main)
