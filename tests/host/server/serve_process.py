"""Starts "panel_host serve" for a test, finds its port, talks HTTP to it and
stops it with SIGINT; every wait is bounded and the server never outlives the
test (a server that does not stop by itself is killed)."""
import argparse
import os
import re
import signal
import subprocess
import sys
import threading
import time
import urllib.error
import urllib.request


class Serve:
    def __init__(self, command, log_path):
        self.command = command
        self.log = open(log_path, "w", encoding="utf-8", errors="replace")
        self.lines = []
        self.process = subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL)
        threading.Thread(target=self._read, daemon=True).start()
        self.port = None

    def _read(self):
        for raw in self.process.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            self.lines.append(line)
            try:
                self.log.write(line + "\n")
                self.log.flush()
            except ValueError:  # closed at the end of the test
                pass

    def output(self):
        return "\n".join(self.lines)

    def wait_for(self, pattern, timeout, since=0):
        """The first output line from line `since` on matching pattern, waiting at most timeout s."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for line in self.lines[since:]:
                m = re.search(pattern, line)
                if m:
                    return m
            if self.process.poll() is not None and not self._reading():
                break
            time.sleep(0.05)
        raise AssertionError(f"no line matching {pattern!r} within {timeout} s; output:\n{self.output()[-3000:]}")

    def _reading(self):
        return self.process.stdout and not self.process.stdout.closed and self.process.poll() is None

    def start(self, timeout=60):
        m = self.wait_for(r"^serving http://127\.0\.0\.1:(\d+)/$", timeout)
        self.port = int(m.group(1))
        return self

    def url(self, path="/"):
        return f"http://127.0.0.1:{self.port}{path}"

    def request(self, path, body=None, method=None, content_type="application/x-www-form-urlencoded", timeout=20):
        """(status, body text) of one request; HTTP errors are answers too."""
        data = body.encode("utf-8") if isinstance(body, str) else body
        req = urllib.request.Request(self.url(path), data=data, method=method)
        if data is not None:
            req.add_header("Content-Type", content_type)
        try:
            with urllib.request.urlopen(req, timeout=timeout) as r:
                return r.status, r.read().decode("utf-8", "replace")
        except urllib.error.HTTPError as e:
            return e.code, e.read().decode("utf-8", "replace")

    def interrupt(self, timeout=60):
        """Ctrl-C; the exit code once it has stopped."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGINT)
        try:
            code = self.process.wait(timeout=timeout)
        finally:
            self.kill()
        time.sleep(0.2)  # the reader thread takes the last lines
        return code

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=30)
        self.log.close()


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def replay_recording(host, library, record, devices):
    """Plays a recording back with run --strict; it must pass as recorded.
    `library` is one, or a list of a studio's (NAME=PATH)."""
    libraries = library if isinstance(library, list) else [library]
    replay = subprocess.run(host + ["run"] + libraries + [record, "--strict"] + devices,
                            capture_output=True, encoding="utf-8", errors="replace", timeout=120)
    check(replay.returncode == 0 and " 0 failed" in replay.stdout,
          f"replaying the recording failed ({replay.returncode}):\n{replay.stdout[-3000:]}{replay.stderr[-1000:]}")


def run_main(main):
    """Runs a test's main; a failed check prints FAILED and exits 1."""
    try:
        main()
    except AssertionError as e:
        print("FAILED:", e)
        sys.exit(1)


def test_arguments(*required, optional=()):
    """The arguments every serve test takes: --library, --devices, --work,
    the options named in `required` and `optional`, and after "--" the host
    command. The work folder is made."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--library", required=True)
    parser.add_argument("--devices", required="--devices" in required)
    parser.add_argument("--work", required=True)
    for name in required:
        if name != "--devices":
            parser.add_argument(name, required=True)
    for name in optional:
        parser.add_argument(name)
    parser.add_argument("host", nargs="+")
    a = parser.parse_args()
    os.makedirs(a.work, exist_ok=True)
    return a
