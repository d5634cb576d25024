"""panel_host serve measured from outside, the four figures side by side:
the median POST answer on one keep-alive connection, the event stream bytes
an open page gets for an action that changes nothing and for a route that
changes one tile, and (when valgrind is there) serve's instructions per
action against run's per step (serve_callgrind.py).

Usage: python3 bench/serve_bench.py PANEL_HOST LIBRARY DEVICES"""
import os, re, shutil, socket, statistics, subprocess, sys, threading, time

host, lib, dev = sys.argv[1:4]
p = subprocess.Popen([host, "serve", lib, "--port", "0", "--devices", dev], stdout=subprocess.PIPE, text=True)
for line in p.stdout:
    m = re.match(r"serving http://127.0.0.1:(\d+)/", line)
    if m: port = int(m.group(1)); break
threading.Thread(target=lambda: [None for _ in p.stdout], daemon=True).start()
own = f"127.0.0.1:{port}"
ev = socket.create_connection(("127.0.0.1", port)); ev.sendall(f"GET /api/events HTTP/1.1\r\nHost: {own}\r\n\r\n".encode())
ev.settimeout(0.3)
def drain():
    n = 0
    try:
        while True:
            d = ev.recv(1 << 20)
            if not d: break
            n += len(d)
    except socket.timeout: pass
    return n
def post(c, body, path):
    c.sendall((f"POST {path} HTTP/1.1\r\nHost: {own}\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: {len(body)}\r\n\r\n{body}").encode())
    got = b""
    while b'"}' not in got: got += c.recv(4096)
drain()
c = socket.create_connection(("127.0.0.1", port))
t = []
for n in range(100):
    s = time.perf_counter(); post(c, f"id={n}", "/api/timer"); t.append(time.perf_counter() - s)
median = statistics.median(t) * 1000
drain()
post(c, "id=1", "/api/timer"); noop = drain()
post(c, "destination=5&source=park", "/api/route"); drain()
post(c, "destination=5&source=3", "/api/route"); route = drain()
p.send_signal(2); p.wait(timeout=20)
print(f"median POST answer over 100 on one connection: {median:.2f} ms (target under 2 ms)")
print(f"event stream bytes for a no-op (timer tick): {noop} (target under 1024)")
print(f"event stream bytes for a one-tile route: {route} (target under 4096)")
if shutil.which("valgrind"):
    subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__), "serve_callgrind.py"), host, lib, dev, "100"],
                   check=True)
    print("(target: serve / run at most 10x)")
