"""serve ticks the host's timers in real time and records each tick as the
step that replays it; a panel with a thousand timers every millisecond
does not starve the page's actions.

usage: serve_ticks_test.py --library ACTING_PANEL --devices acting_panel.devices --work DIR -- HOST_COMMAND...
"""
import json
import os
import re
import statistics
import time
import urllib.request

from serve_process import Serve, check, replay_recording, run_main, test_arguments

PRESS = "panel=1&control=Take&event=press"


def timers_seen(serve, want, timeout):
    """The first "timers" event of the stream for which want(timers) holds."""
    deadline = time.monotonic() + timeout
    with urllib.request.urlopen(serve.url("/api/events"), timeout=timeout) as stream:
        seen = ""
        while time.monotonic() < deadline:
            chunk = stream.read1(65536).decode("utf-8", "replace")
            check(chunk, "event stream ended early")
            seen += chunk
            for m in re.finditer(r"event: timers\ndata: (.*)\n\n", seen):
                timers = json.loads(m.group(1))
                if want(timers):
                    return timers
            seen = seen[-100000:]
    raise AssertionError(f"no timers event as wanted within {timeout} s")


def press_times(serve, count, pause=0):
    """How long each of `count` presses took to be answered, in seconds."""
    times = []
    for _ in range(count):
        time.sleep(pause)
        started = time.monotonic()
        status, answer = serve.request("/api/button", PRESS, "POST")
        times.append(time.monotonic() - started)
        check(status == 200 and json.loads(answer)["ok"], f"press: {status} {answer}")
    return times


def serve_session(a, devices, record, name, body):
    serve = Serve(a.host + ["serve", a.library, "--port", "0", "--record", record, "--devices", devices],
                  os.path.join(a.work, name + ".log")).start()
    try:
        body(serve)
    finally:
        code = serve.interrupt()
    check(code == 0, f"serve exited {code}:\n{serve.output()[-2000:]}")
    replay_recording(a.host, a.library, record, ["--devices", devices])
    with open(record, encoding="utf-8") as f:
        return f.read()


def main():
    a = test_arguments("--devices")

    # Timer 3 every 500 ms: it ticks in real time, the page sees it, a press
    # comes between ticks, and each tick is recorded as "wait 500".
    def clock(serve):
        started = time.monotonic()
        timers_seen(serve, lambda t: any(x.get("id") == 3 and x["ticks"] >= 1 for x in t), 30)
        press_times(serve, 1)
        timers = timers_seen(serve, lambda t: any(x.get("id") == 3 and x["ticks"] >= 4 for x in t), 30)
        elapsed = time.monotonic() - started
        check(timers[0]["period"] == 500, f"timers shown: {timers}")
        check(elapsed >= 1.7, f"4 ticks of a 500 ms timer came after {elapsed:.2f} s: not in real time")
        print(f"timer 3 every 500 ms: 4 ticks after {elapsed:.2f} s")

    text = serve_session(a, a.devices, os.path.join(a.work, "ticks.scn"), "ticks", clock)
    check(re.search(r"\nwait 500\nexpect-commands\nTP 'text=2' '1' 'Clock'\nend\n", text),
          "the second tick is not recorded as wait 500 with its command:\n" + text[-2000:])

    # A thousand timers every millisecond: ticks are bounded in rate, and a
    # press is answered promptly.
    with open(a.devices, encoding="utf-8") as f:
        base = [line for line in f if not line.startswith("timer ")]
    swarm = os.path.join(a.work, "swarm.devices")
    with open(swarm, "w", encoding="utf-8") as f:
        f.writelines(base + [f"timer {n} every 1\n" for n in range(1, 1001)])
    figures = {}

    def busy(serve):
        timers_seen(serve, lambda t: len(t) == 51 and t[-1] == {"more": 950} and t[0]["ticks"] >= 1, 60)
        started = time.monotonic()
        times = press_times(serve, 20, 0.05)
        figures["seconds"] = time.monotonic() - started
        figures["median"], figures["max"] = statistics.median(times), max(times)

    text = serve_session(a, swarm, os.path.join(a.work, "swarm.scn"), "swarm", busy)
    ticks = text.count("\nwait 1\n")
    print(f"1000 timers every 1 ms: press answered in median {figures['median'] * 1000:.0f} ms, "
          f"max {figures['max'] * 1000:.0f} ms; {ticks} tick steps of 1000 ticks recorded, "
          f"{figures['seconds']:.2f} s of presses")
    check(figures["max"] < 2.0, f"a press waited {figures['max']:.2f} s behind the ticks")
    check(ticks >= 2, "the thousand timers did not tick")


if __name__ == "__main__":
    run_main(main)
