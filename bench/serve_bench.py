import socket, subprocess, sys, time, statistics, re, threading
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
print(f"median POST answer over 100 on one connection: {statistics.median(t)*1000:.2f} ms")
drain()
post(c, "id=1", "/api/timer"); print("event stream bytes for a no-op (timer tick):", drain())
post(c, "destination=5&source=park", "/api/route"); drain()
post(c, "destination=5&source=3", "/api/route"); print("event stream bytes for a one-tile route:", drain())
p.send_signal(2); p.wait(timeout=20)
