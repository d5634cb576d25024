#!/usr/bin/python3
"""Plays the docs' examples and error tables with panel_host.

Fenced blocks whose info string is "devices FILE", "layout FILE" or
"scenario FILE PANEL" are written to FILE; each scenario is run with
"panel_host run PANEL FILE --strict" and must pass. A table after a marker
"<!-- docs-test: KIND ARGS -->" lists cases, one a row: the first cell the
line(s) (a "<br>" between lines), the second the exact error. "FILE:LINE" in
an error stands for any file:line. The exit-status table must name the
statuses of exit_status.h and of the help's footer, no more, no fewer.
Links hold where the SDK installs the pages: a page links only pages and
pictures of docs/ (and their headings), the README only docs/.
"""
import argparse
import json
import pathlib
import re
import shutil
import socket
import subprocess
import sys
import time
import urllib.error
import urllib.parse
import urllib.request

failures = []


def fail(what):
    failures.append(what)


def code_blocks(text):
    """(kind, args, body) for every fenced block with an info string."""
    for m in re.finditer(r"^```(\w+)[ \t]+([^\n]*)\n(.*?)^```[ \t]*$", text, re.M | re.S):
        yield m.group(1), m.group(2).split(), m.group(3)


def cell_text(cell):
    """A cell's first code span (what follows it is a remark), else the cell."""
    cell = cell.strip()
    span = re.match(r"`([^`]*)`", cell)
    return (span.group(1) if span else cell).replace("\\|", "|")


def tables(text):
    """{kind: (args, [[cell, ...], ...])} for every marked table."""
    found = {}
    for m in re.finditer(r"<!-- docs-test: (\S+)([^>]*)-->\n((?:\|[^\n]*\n)+)", text):
        rows = []
        for line in m.group(3).splitlines()[2:]:  # past the header and the rule
            cells = re.split(r"(?<!\\)\|", line.strip())[1:-1]
            rows.append([cell_text(c) for c in cells])
            if m.group(1) == "serve-errors":  # the request's body is its second code span
                rows[-1] = [cell_text(cells[0]), re.findall(r"`([^`]*)`", cells[0])[1], cell_text(cells[1])]
        found[m.group(1)] = (m.group(2).split(), rows)
    return found


def slug(heading):
    """The anchor a heading gets: lower case, punctuation dropped, spaces to "-"."""
    return re.sub(r"[^\w\- ]", "", heading.strip().lower()).replace(" ", "-")


def headings(text):
    """The anchors of a page's headings, outside fenced blocks."""
    anchors, fenced = set(), False
    for line in text.splitlines():
        if line.startswith("```"):
            fenced = not fenced
        elif not fenced and re.match(r"#+ ", line):
            anchors.add(slug(line.lstrip("#")))
    return anchors


def check_links(name, text, docs, prefix):
    """Every relative link of a page names a file of docs/ (after `prefix`) and a heading it has."""
    for target in re.findall(r"\]\(([^)\s]+)\)", text):
        if re.match(r"[a-z]+:", target):
            continue
        path, _, anchor = target.partition("#")
        page = path[len(prefix):] if path.startswith(prefix) else None
        if path and (page is None or "/" in page or not (docs / page).is_file()):
            fail(f"{name}: link {target} is not to a file of docs/, which the SDK installs beside the pages")
            continue
        if anchor:
            linked = (docs / page).read_text() if path else text
            if anchor not in headings(linked):
                fail(f"{name}: link {target}: no such heading")


def run(cmd, cwd):
    p = subprocess.run(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=120)
    return p.returncode, p.stdout.decode("utf-8", "replace")


def expected_pattern(prefix, error):
    """A regex for "prefix" + error, FILE:LINE in the error standing for any."""
    parts = [re.escape(p) for p in error.split("FILE:LINE")]
    return re.escape(prefix) + r"\S+:\d+".join(parts)


def check_case(name, cmd, cwd, status, pattern):
    rc, out = run(cmd, cwd)
    if rc != status or not re.search(pattern, out):
        fail(f"{name}: exit {rc} (expected {status}); output does not hold /{pattern}/:\n{out[-2000:]}")


def check_usage(host, page):
    """Each command's positional arguments, as the page's synopsis gives them, are its help's usage."""
    synopsis = re.findall(r"^panel_host (\w+) ([^\[\n]*?) *\[", page, re.M)
    if len(synopsis) < 4:
        fail(f"panel_host.md: {len(synopsis)} synopsis lines found")
    for command, positionals in synopsis:
        rc, out = run([host, command, "--help"], ".")
        usage = re.search(rf"^Usage: panel_host {command} \[OPTIONS\] (.*)$", out, re.M)
        if rc != 0 or not usage or usage.group(1) != positionals:
            fail(f"{command} --help: usage {usage.group(1) if usage else out[:200]!r}, the page {positionals!r}")
        for line in out.splitlines():  # options keep their labels; positionals are named as used
            if re.search(r"\.{4}", line) or (not line.strip().startswith("-") and re.search(r" TEXT\b|REQUIRED", line)):
                fail(f"{command} --help: the line {line.strip()!r} shows CLI11's notation, not the names")


def serve_errors(host, panels, examples_dir, args, rows, folder):
    """Plays a table of requests to serve (ARGS: the devices file under the examples, the scripts)."""
    folder.mkdir(parents=True, exist_ok=True)
    cmd = [host, "serve", *(panels[n] for n in args[1:]), "--devices", str(examples_dir / args[0]), "--port", "0"]
    with open(folder / "serve.log", "w+") as log:
        server = subprocess.Popen(cmd, cwd=folder, stdout=log, stderr=subprocess.STDOUT)
        try:
            url = None
            for _ in range(600):  # until serve says where it listens, or ends
                log.seek(0)
                found = re.search(r"^serving (http://\S+/)$", log.read(), re.M)
                if found or server.poll() is not None:
                    url = found and found.group(1)
                    break
                time.sleep(0.1)
            if not url:
                log.seek(0)
                return fail(f"serve-errors: serve did not start: {log.read()[-2000:]}")
            for n, (request, body, error) in enumerate(rows, 1):
                path = request.split()[-1]
                data = body.encode()
                req = urllib.request.Request(url.rstrip("/") + path, data=data, method="POST",
                                             headers={"Origin": url.rstrip("/")})
                try:
                    with urllib.request.urlopen(req, timeout=60) as answer:
                        got = json.load(answer)
                except urllib.error.HTTPError as refused:
                    got = json.load(refused)
                if got.get("error") != error:
                    fail(f"serve-errors row {n} ({request} {body}): serve answered {got}, the page {error!r}")
        finally:
            server.terminate()
            server.wait(timeout=60)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def picture_recipe(host, kivren, examples_dir, blocks, folder):
    """Plays the recipe for a picture of serve's page at a step in a copy of the example kivren's project."""
    if not (blocks.get("picture.py") and blocks.get("picture.sh")):
        return fail("no picture recipe (picture.py, picture.sh) in the docs")
    if not (pathlib.Path("/usr/bin/chromium").exists() and pathlib.Path("/usr/bin/chromedriver").exists()):
        return print("picture recipe not played: no chromium and chromedriver (scripts/setup.sh installs them)")
    shutil.copytree(examples_dir / "kivren", folder, ignore=shutil.ignore_patterns("tests"))
    (folder / "build/native").mkdir(parents=True)
    (folder / "build/native/kivren.so").symlink_to(kivren)
    (folder / "prefix/bin").mkdir(parents=True)
    (folder / "prefix/bin/panel_host").symlink_to(host)
    step = re.search(r"-d to=(\d+)", blocks["picture.sh"])
    script = blocks["picture.sh"].replace("PREFIX/", str(folder / "prefix") + "/")
    (folder / "picture.sh").write_text(re.sub(r"^port=\d+$", f"port={free_port()}", script, flags=re.M))
    (folder / "picture.py").write_text(blocks["picture.py"])
    rc, out = run(["bash", "picture.sh"], folder)
    png = folder / f"step{step.group(1) if step else ''}.png"
    head = png.read_bytes()[:24] if png.exists() else b""
    if rc != 0 or not step or f'"shown":{step.group(1)}' not in out:
        return fail(f"picture recipe: exit {rc}, not at its step:\n{out[-2000:]}")
    if head[:8] != b"\x89PNG\r\n\x1a\n" or int.from_bytes(head[16:20], "big") < 800:
        fail(f"picture recipe: {png.name} is not a PNG of the page ({head!r})")


def fresh(folder, examples):
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    for name, body in examples.items():
        (folder / name).write_text(body)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--host", required=True)
    ap.add_argument("--panel", action="append", default=[], help="NAME=LIBRARY")
    ap.add_argument("--docs", required=True)
    ap.add_argument("--exit-statuses", required=True)
    ap.add_argument("--work", required=True)
    ap.add_argument("--readme", required=True)
    ap.add_argument("--examples", required=True, help="the folder of the example panels")
    a = ap.parse_args()
    a.host = str(pathlib.Path(a.host).resolve())  # the runs go on in folders of their own
    panels = {n: str(pathlib.Path(lib).resolve()) for n, lib in (p.split("=", 1) for p in a.panel)}
    work = pathlib.Path(a.work)
    shutil.rmtree(work, ignore_errors=True)

    examples, scenarios, marked, recipes = {}, [], {}, {}
    for page in sorted(pathlib.Path(a.docs).glob("*.md")):
        text = page.read_text()
        for kind, args, body in code_blocks(text):
            if kind in ("python", "sh"):
                recipes[args[0]] = body
            if kind not in ("devices", "layout", "scenario"):
                continue
            if args[0] in examples and examples[args[0]] != body:
                fail(f"{page.name}: two different examples named {args[0]}")
            examples[args[0]] = body
            if kind == "scenario":
                scenarios.append((page.name, args))
        for kind, table in tables(text).items():
            marked[kind] = table
        check_links(page.name, text, pathlib.Path(a.docs), "")
    check_links("README.md", pathlib.Path(a.readme).read_text(), pathlib.Path(a.docs), "docs/")
    if not scenarios or not examples:
        fail("no examples found in the docs")

    # Every scenario example passes, strictly, with the other examples beside it.
    for page, (name, panel) in scenarios:
        folder = work / "examples" / name
        fresh(folder, examples)
        rc, out = run([a.host, "run", panels[panel], name, "--strict"], folder)
        if rc != 0 or not re.search(r"^expectations: [1-9][0-9]* passed, 0 failed$", out, re.M):
            fail(f"{page}: example {name} with {panel}: exit {rc}\n{out[-3000:]}")

    counted = 0
    for kind in ("devices-errors", "layout-errors", "scenario-errors", "scenario-problems", "exit-statuses"):
        if kind not in marked or not marked[kind][1]:
            fail(f"no table marked {kind} in the docs")
    for kind, (args, rows) in marked.items():
        for n, row in enumerate(rows, 1):
            counted += 1
            lines, error = row[0].split("<br>"), row[1] if len(row) > 1 else ""
            folder = work / kind / str(n)
            fresh(folder, examples)
            name = f"{kind} row {n} ({row[0]})"
            if kind == "devices-errors":  # ARGS: the devices example the lines follow
                base = examples[args[0]]
                (folder / args[0]).write_text(base + "\n".join(lines) + "\n")
                (folder / "empty.scn").write_text("")
                where = f"{args[0]}:{base.count(chr(10)) + len(lines)}: "
                check_case(name, [a.host, "run", panels["kivren"], "empty.scn", "--devices", args[0]], folder, 2,
                           expected_pattern(where, error))
            elif kind == "layout-errors":  # ARGS: the layout example, the devices example naming it
                base, devices = examples[args[0]], examples[args[1]].splitlines()
                (folder / args[0]).write_text(base + "\n".join(lines) + "\n")
                (folder / "empty.scn").write_text("")
                at = next(i for i, l in enumerate(devices, 1) if l.split()[:2] == ["layout", args[0]])
                where = f"{args[1]}:{at}: {args[0]}:{base.count(chr(10)) + len(lines)}: "
                check_case(name, [a.host, "run", panels["kivren"], "empty.scn", "--devices", args[1]], folder, 2,
                           expected_pattern(where, error))
            elif kind == "scenario-errors":
                (folder / "case.scn").write_text("\n".join(lines) + "\n")
                check_case(name, [a.host, "run", panels["kivren"], "case.scn"], folder, 2,
                           expected_pattern(f"case.scn:{len(lines)}: ", error))
            elif kind == "scenario-problems":  # ARGS: the devices example, the panel
                (folder / "case.scn").write_text(f"devices {args[0]}\n" + "\n".join(lines) + "\n")
                check_case(name, [a.host, "run", panels[args[1]], "case.scn", "--strict"], folder, 1,
                           expected_pattern("", error))
            elif kind in ("exit-statuses", "serve-errors"):
                pass
            else:
                fail(f"unknown table kind {kind}")

    if "serve-errors" in marked:
        args, rows = marked["serve-errors"]
        serve_errors(a.host, panels, pathlib.Path(a.examples), args, rows, work / "serve-errors")

    picture_recipe(a.host, panels["kivren"], pathlib.Path(a.examples), recipes, work / "picture")

    # Exit statuses: the page's table, the header's constants, the help's footer.
    page = {int(r[0]) for r in marked.get("exit-statuses", ([], []))[1] if r and r[0].isdigit()}
    header = {int(v) for v in re.findall(r"constexpr int exit\w+ = (\d+);", pathlib.Path(a.exit_statuses).read_text())}
    rc, out = run([a.host, "--help"], ".")
    footer_text = out[out.find("Exit status:"):] if "Exit status:" in out else ""
    footer = {int(v) for v in re.findall(r"(?:Exit status:|,)\s+(\d+)\s", footer_text)}
    if not header or page != header or footer != header:
        fail(f"exit statuses differ: docs {sorted(page)}, exit_status.h {sorted(header)}, --help {sorted(footer)}")
    check_usage(a.host, (pathlib.Path(a.docs) / "panel_host.md").read_text())

    for f in failures:
        print("FAIL:", f, file=sys.stderr)
    print(f"docs examples: {len(scenarios)} scenarios, {len(examples)} files, {counted} table rows; "
          f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
