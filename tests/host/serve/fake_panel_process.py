#!/usr/bin/python3
"""Stands in for serve's panel process to break the pipe's protocol, as
--base says: "garbage" answers an action with bytes that are no frame, "die"
ends halfway through a frame, "silent" never answers."""
import sys
import time

mode = sys.argv[sys.argv.index("--base") + 1]
out = sys.stdout.buffer


def send(name, data=b""):
    out.write(b"%s %d\n%s\n" % (name, len(data), data))
    out.flush()


send(b"ready", b"0")
for line in sys.stdin.buffer:
    name, length = line.split()
    sys.stdin.buffer.read(int(length) + 1)
    if name == b"begin":
        send(b"begun")
    elif name == b"act" and mode == "garbage":
        out.write(b"HTTP/1.1 200 OK\r\n\r\n")
        out.flush()
    elif name == b"act" and mode == "die":
        out.write(b"log 100\nhalf a line")
        out.flush()
        sys.exit(0)
    elif name == b"act":
        time.sleep(3600)
