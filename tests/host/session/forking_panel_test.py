"""run with a panel that forks (POSIX): the child that returns into the host
ends at once, so the summary is printed once; the child that stays is ended
with the worker's process group, so none outlives panel_host.

usage: forking_panel_test.py --panel LIB --scenario FILE --devices FILE --work DIR -- HOST...
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

DEADLINE_CHECKS = 2000  # looks at the child, 10 ms apart: a bound only as a deadline


def running(pid):
    """Whether the process is there and not a zombie."""
    try:
        fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    except OSError:
        return False
    return fields[0] != "Z"


def main():
    parser = argparse.ArgumentParser()
    for option in ("--panel", "--scenario", "--devices", "--work"):
        parser.add_argument(option, required=True)
    parser.add_argument("host", nargs="+")
    a = parser.parse_args()
    shutil.rmtree(a.work, ignore_errors=True)
    os.makedirs(a.work)
    pid_file = os.path.join(a.work, "child.pid")
    env = dict(os.environ, UNRULY_PID_FILE=pid_file)
    # Into a file, not a pipe: a child left running would hold a pipe open.
    with open(os.path.join(a.work, "output"), "w+") as output:
        run = subprocess.run(a.host + ["run", a.panel, a.scenario, "--devices", a.devices], env=env,
                             stdout=output, stderr=subprocess.STDOUT, timeout=120)
        output.seek(0)
        text = output.read()
    failures = []
    summaries = text.count("== summary")
    if summaries != 1:
        failures.append(f"{summaries} summaries, expected 1")
    if run.returncode != 0:
        failures.append(f"exit status {run.returncode}, expected 0")
    for _ in range(DEADLINE_CHECKS):
        if os.path.exists(pid_file) and open(pid_file).read().endswith("\n"):
            break
        time.sleep(0.01)
    else:
        failures.append("the child that stays never wrote its id")
    if os.path.exists(pid_file):
        child = int(open(pid_file).read())
        for _ in range(DEADLINE_CHECKS):
            if not running(child):
                break
            time.sleep(0.01)
        else:
            os.kill(child, 9)
            failures.append(f"the panel's child {child} outlived panel_host")
    if failures:
        print(text)
        print("FAIL: " + "; ".join(failures))
        return 1
    print("ok: one summary, no child left")
    return 0


if __name__ == "__main__":
    sys.exit(main())
