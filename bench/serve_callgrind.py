"""Instructions per action under callgrind: the same mix of actions played by
"panel_host run" (a scenario) and by "panel_host serve" (POSTs from a client
holding one page's event stream open).

Usage: python3 bench/serve_callgrind.py PANEL_HOST LIBRARY DEVICES [N [KEEP_DIR]]
(KEEP_DIR: keep the callgrind files there, for callgrind_annotate)

Each side is measured twice, with no action and with N; the difference
divided by N is the cost of an action, so start-up and the stop are not
counted. serve runs the panel in a child process ("serve-panel"): its count
is the server's plus the child's (valgrind follows the child, one output
file per process). The client is not under valgrind."""
import glob, os, re, shutil, socket, subprocess, sys, tempfile, threading, time

host, lib, devices = (os.path.abspath(a) for a in sys.argv[1:4])
n = int(sys.argv[4]) if len(sys.argv) > 4 else 100
keep = sys.argv[5] if len(sys.argv) > 5 else None


def mix(count):
    """A mixed session: routes, GPI inputs, information texts and timer ticks."""
    steps = []
    for i in range(count):
        kind = i % 4
        if kind == 0: steps.append(("route", f"destination={i % 16 + 1}&source={'park' if i % 8 == 0 else i % 20 + 1}"))
        elif kind == 1: steps.append(("gpi", f"input={i % 16 + 1}&state={'on' if i % 8 == 1 else 'off'}"))
        elif kind == 2: steps.append(("info", f"slot={i % 12 + 1}&text=CAM+{i}"))
        else: steps.append(("timer", "id=1"))
    return steps


def as_step(action, body):
    fields = [v.replace("+", " ") for v in re.findall(r"=([^&]*)", body)]
    return " ".join([action] + fields)


def callgrind(command, out, stdout=subprocess.DEVNULL, **kw):
    return subprocess.Popen(["valgrind", "--tool=callgrind", "--trace-children=yes",
                             f"--callgrind-out-file={out}/cg.%p"] + command,
                            stdout=stdout, stderr=open(f"{out}/valgrind.log", "w"), **kw)


def total(out):
    """Instructions of every process valgrind followed: [all, the panel's process]."""
    count = [0, 0]
    for f in glob.glob(f"{out}/cg.*"):
        with open(f) as t:
            child = False
            for line in t:
                child = child or (line.startswith("cmd:") and " serve-panel " in line)
                if line.startswith(("summary:", "totals:")):
                    count[0] += int(line.split()[1])
                    count[1] += int(line.split()[1]) if child else 0
                    break
    return count


def run_side(count, work):
    scn = f"{work}/mix.scn"
    with open(scn, "w") as f:
        f.write("".join(as_step(a, b) + "\n" for a, b in mix(count)))
    out = tempfile.mkdtemp(dir=work)
    p = callgrind([host, "run", lib, scn, "--devices", devices], out)
    if p.wait(timeout=600) not in (0, 1):
        sys.exit(f"run failed; see {out}/valgrind.log")
    return total(out)


def serve_side(count, work):
    out = tempfile.mkdtemp(dir=work)
    p = callgrind([host, "serve", lib, "--port", "0", "--devices", devices], out, stdout=subprocess.PIPE, text=True)
    try:
        port = None
        for line in p.stdout:
            m = re.match(r"serving http://127.0.0.1:(\d+)/", line)
            if m:
                port = int(m.group(1))
                break
        threading.Thread(target=lambda: [None for _ in p.stdout], daemon=True).start()
        own = f"127.0.0.1:{port}"
        page = socket.create_connection(("127.0.0.1", port))  # one open page, read as it comes
        page.sendall(f"GET /api/events HTTP/1.1\r\nHost: {own}\r\n\r\n".encode())
        threading.Thread(target=lambda: [None for _ in iter(lambda: page.recv(1 << 20), b"")], daemon=True).start()
        c = socket.create_connection(("127.0.0.1", port))
        c.settimeout(120)
        for action, body in mix(count):
            c.sendall((f"POST /api/{action} HTTP/1.1\r\nHost: {own}\r\nContent-Type: application/x-www-form-urlencoded"
                       f"\r\nContent-Length: {len(body)}\r\n\r\n{body}").encode())
            got = b""
            while b'"}' not in got:
                got += c.recv(4096)
            if b'"ok":true' not in got.replace(b" ", b""):
                sys.exit(f"serve refused {action} {body}: {got[-300:]}")
        time.sleep(1)  # the page's last update goes out
        c.close()
        p.send_signal(2)
        p.wait(timeout=300)
    finally:
        if p.poll() is None:
            p.kill()
    return total(out)


work = keep or tempfile.mkdtemp()
os.makedirs(work, exist_ok=True)
try:
    run = (run_side(n, work)[0] - run_side(0, work)[0]) / n
    served, idle = serve_side(n, work), serve_side(0, work)
    serve, child = (served[0] - idle[0]) / n, (served[1] - idle[1]) / n
finally:
    if not keep: shutil.rmtree(work)
print(f"{n} mixed actions (route, gpi, info, timer), instructions per action:")
print(f"run   (one process):                 {run:12,.0f}")
print(f"serve (server + panel's process):    {serve:12,.0f}  (server {serve - child:,.0f}, panel's process {child:,.0f})")
print(f"serve / run:                         {serve / run:12.1f}x")
