#!/usr/bin/python3
"""Checks that the SDK's installed pages speak of what the SDK holds.

  sdk_docs_check.py SDK SOURCE_DIR PROJECTS_DIR

PROJECTS_DIR holds projects made from the SDK, each in a folder of its
name and built natively: the template's (router_status, the name the pages
use for a new panel; NAME stands for it too) and one of each example.
Read are the README and the pages of SDK/share/doc/quon, but for sections
marked "(in the source repository)". Every path their code names must
exist: under PREFIX (or bin/, include/, lib/, share/) in the SDK, docs/
beside the pages, a project's files and its native build outputs in a
project; a folder of this repository (scripts/, panels/, host/, ...) is
named nowhere, nor a file of its scripts/ that the SDK does not ship. Every
line of a code block that runs PREFIX/bin/panel_host run or validate on a
native build runs as written in its project; every example and preset the
code names exists.
"""
import glob
import json
import pathlib
import re
import subprocess
import sys

TEMPLATE = "router_status"
REPOSITORY_FOLDERS = {"scripts", "panels", "boundary", "host", "fuzz", "bench", "third_party", "cmake",
                      "script_helper", "test_host", "string"}
SDK_FOLDERS = {"bin", "include", "lib", "share"}
PROJECT_FOLDERS = {"scenarios", "tests", "ci", ".github"}
PLACEHOLDERS = r"\b(STEM|CHECK|VERSION|PAGE|EXAMPLE|N)\b|…|\.\.\.$"
failures = []
WINDOWS = True  # whether the SDK holds its Windows half (an install of one native build does not)


def fail(what):
    failures.append(what)


def sdk_text(page):
    """The page without its sections for the source repository's contributors."""
    kept, skipping, level = [], False, 0
    for line in page.read_text().splitlines():
        heading = re.match(r"(#+) ", line)
        if heading and (not skipping or len(heading.group(1)) <= level):
            skipping = "(in the source repository)" in line
            level = len(heading.group(1))
        if not skipping:
            kept.append(line)
    return "\n".join(kept)


def code_of(text):
    """(block lines, spans): the lines of fenced blocks without an info string, and every inline code span."""
    blocks, spans = [], []
    for m in re.finditer(r"^```(\w*)[^\n]*\n(.*?)^```", text, re.M | re.S):
        if not m.group(1):
            blocks += [line.split("#")[0].rstrip() for line in m.group(2).splitlines()]
    prose = re.sub(r"^```.*?^```", "", text, flags=re.M | re.S)
    spans = re.findall(r"`([^`\n]+)`", prose)
    return [line for line in blocks if line], spans


def candidates(project, token):
    """The glob patterns a token of the pages stands for in a project."""
    token = token.replace("NAME", project.name).replace(TEMPLATE, project.name)
    return re.sub(PLACEHOLDERS, "*", token)


def windows_half(token):
    return ".exe" in token or "i686-w64-mingw32" in token


def resolve(token, sdk, projects):
    """None when the path the token names exists, else why not."""
    first = token.split("/")[0]
    if first == "PREFIX" or first in SDK_FOLDERS:
        rest = token[len("PREFIX/"):] if first == "PREFIX" else token
        pattern = re.sub(PLACEHOLDERS, "*", rest.replace("NAME", "*"))
        return None if glob.glob(str(sdk / pattern)) else "not in the SDK"
    if first == "docs":
        return None if glob.glob(str(sdk / "share/doc/quon" / token)) else "not beside the pages"
    if first in REPOSITORY_FOLDERS:
        return "a folder of the source repository"
    if first == "..":  # a project beside the one a command runs in
        token = "/".join(token.split("/")[2:])
        first = token.split("/")[0]
    if first == "build":
        parts = token.split("/")
        if len(parts) > 2 and parts[2] in ("host", "panels", "tests"):
            return "the source repository's build tree"
        if parts[1] != "native":  # the Windows and fuzz builds are not made here
            return None
    elif first not in PROJECT_FOLDERS and not re.fullmatch(r"[\w.]+\.(devices|layout|scn)", token):
        return None  # not a file of a project (an API path, a picture's name, ...)
    for project in projects:
        if glob.glob(str(project / candidates(project, token))):
            return None
    return "in no project or example"


def tokens(line):
    for word in line.split():
        word = word.strip("`'\"(),;:[]")
        word = re.sub(r"^[\w.]+=", "", word)  # --option=VALUE, NAME=PATH
        if "/" in word and "://" not in word and not word.startswith(("~", "/", "$")):
            yield word.rstrip(".")


def check_command(line, sdk, projects_dir, page):
    words = line.split()
    if words[:1] == ["wine"]:
        words = words[1:]
    if not words or not words[0].startswith("PREFIX/bin/"):
        return
    program = words[0][len("PREFIX/bin/"):]
    if windows_half(program) and not WINDOWS:
        return
    if not (sdk / "bin" / program).exists():
        return fail(f"{page}: {line}: no {program} in the SDK's bin/")
    if "--example" in words:
        example = words[words.index("--example") + 1]
        if not (sdk / "share/quon/examples" / example).is_dir():
            fail(f"{page}: {line}: the SDK has no example {example}")
    if program != "panel_host" or len(words) < 3 or words[1] not in ("run", "validate"):
        return
    library = words[2]
    if not library.startswith("build/native/") or "…" in line:
        return
    name = pathlib.Path(library).stem
    project = projects_dir / (TEMPLATE if name == "NAME" else name)
    argv = [str(sdk / "bin/panel_host")] + [w.replace("NAME", project.name) for w in words[1:]]
    p = subprocess.run(argv, cwd=project, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    if p.returncode != 0:
        fail(f"{page}: {line}: exit {p.returncode} in {project.name}:\n{p.stdout.decode()[-1500:]}")


def main():
    global WINDOWS
    sdk, source, projects_dir = (pathlib.Path(a).resolve() for a in sys.argv[1:4])
    WINDOWS = (sdk / "lib/cmake/quon/quonTargets-windows.cmake").exists()
    projects = sorted(p for p in projects_dir.iterdir() if p.is_dir())
    shipped = {f.name for f in sdk.rglob("*") if f.is_file()}
    repository_scripts = {f.name for f in (source / "scripts").iterdir() if f.is_file()} - shipped
    presets = {p["name"] for p in json.loads((projects_dir / TEMPLATE / "CMakePresets.json").read_text())
               ["configurePresets"]}
    pages = [sdk / "share/doc/quon/README.md"] + sorted((sdk / "share/doc/quon/docs").glob("*.md"))
    paths = commands = skipped = 0
    for page in pages:
        name = page.relative_to(sdk / "share/doc/quon")
        text = sdk_text(page)
        for script in sorted(repository_scripts):
            if re.search(rf"(?<![\w-]){re.escape(script)}\b", text):
                fail(f"{name}: names {script}, a script of the source repository the SDK does not ship")
        blocks, spans = code_of(text)
        for line in blocks + spans:
            for token in tokens(line):
                if windows_half(token) and not WINDOWS:
                    skipped += 1
                    continue
                paths += 1
                why = resolve(token, sdk, projects)
                if why:
                    fail(f"{name}: {token} ({line.strip()[:100]}): {why}")
            for preset in re.findall(r"--preset (\w+)", line):
                if preset not in presets:
                    fail(f"{name}: {line}: a project has no preset {preset}")
        for line in blocks:
            commands += line.lstrip().startswith(("PREFIX/", "wine PREFIX/"))
            check_command(line.strip(), sdk, projects_dir, name)
    for f in failures:
        print("FAIL:", f)
    print(f"sdk docs: {len(pages)} pages, {paths} paths, {commands} commands; {len(failures)} failed"
          + ("" if WINDOWS else f"; {skipped} paths of the Windows half not checked (this SDK has none)"))
    return 1 if failures or paths < 50 or commands < 10 else 0


if __name__ == "__main__":
    sys.exit(main())
