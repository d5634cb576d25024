"""serve --scenario plays what run plays: the same scenario, given to both,
ends with the same expectations, all of them held; with --renamed, a source
name a scenario set is kept across a restart (route DEST to SOURCE, rename
it PICTURE, restart: CONTROL shows PICTURE).

The recording of what it played replays from another folder.
usage: serve_scenario_test.py --library LIB --scenario FILE [--devices FILE] [--renamed "DEST SOURCE PICTURE CONTROL"]
       --work DIR -- HOST_COMMAND...
"""
import os
import re
import subprocess

from serve_process import Serve, check, replay_recording, run_main, test_arguments

SUMMARY = r"expectations: (\d+) passed, (\d+) failed"


def main():
    a = test_arguments("--scenario", optional=["--renamed"])
    devices = ["--devices", a.devices] if a.devices else []

    run = subprocess.run(a.host + ["run", a.library, a.scenario] + devices, capture_output=True, text=True,
                         timeout=300)
    ran = re.search(SUMMARY, run.stdout)
    check(run.returncode == 0 and ran, f"run failed ({run.returncode}):\n{run.stdout[-2000:]}{run.stderr[-500:]}")

    name = os.path.splitext(os.path.basename(a.scenario))[0]
    record = os.path.join(a.work, "recorded", f"{name}.scn")  # elsewhere than the scenario: its files named in full
    serve = Serve(a.host + ["serve", a.library, "--port", "0", "--scenario", a.scenario, "--record", record] + devices,
                  os.path.join(a.work, f"scenario_{name}.log")).start()
    try:
        serve.wait_for(r"^panel_host: .* played \(\d+ steps\); live$", 120)
        code = serve.interrupt()
    finally:
        serve.kill()
    served = re.search(SUMMARY, serve.output())
    check(code == 0, f"serve exited {code}:\n{serve.output()[-2000:]}")
    check(served and served.groups() == ran.groups(),
          f"run said {ran.group(0)!r}, serve {served.group(0) if served else None!r}:\n{serve.output()[-3000:]}")
    check("FAILED" not in serve.output() and "\n  ! " not in serve.output(),
          "serve reported a failure or a fault:\n" + serve.output()[-3000:])
    replay_recording(a.host, a.library, record, devices)
    print(f"{name}: serve and run both say {ran.group(0)!r}; the recording replays")

    # A restarted panel gets the source names a "source" step set, as it would after a stop and start.
    if not a.renamed:
        return
    destination, source, picture, control = a.renamed.split()
    renamed = os.path.join(a.work, "renamed.scn")
    with open(renamed, "w") as f:
        f.write(f"route {destination} {source}\nsource {source} {picture}\n")
    serve = Serve(a.host + ["serve", a.library, "--port", "0", "--scenario", renamed] + devices,
                  os.path.join(a.work, "renamed.log")).start()
    try:
        serve.wait_for(r"^panel_host: .* played \(2 steps\); live$", 120)
        since = len(serve.lines)
        check(serve.request("/api/restart", "", "POST", timeout=120)[0] == 200, "restart failed")
        serve.wait_for(rf"TP 'pixmap={re.escape(picture)}' '1' '{control}'", 30, since)
    finally:
        check(serve.interrupt() == 0, "renamed: no clean stop")


if __name__ == "__main__":
    run_main(main)
