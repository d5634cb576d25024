"""Reads a public header's plain comments as Doxygen documentation.

The opening comment describes the file and, repeated, the class, struct or
macro named as the file is; a comment on lines of its own documents what follows
it; a comment after a member or an enumerator documents that member. Lines
are kept one for one, but for one added by the file's opening comment, so
Doxygen's line numbers are one past the header's below that comment.
"""
import os
import re
import sys

path = sys.argv[1]
lines = open(path, encoding="utf-8").read().split("\n")
stem = os.path.splitext(os.path.basename(path))[0]

opening = []
while len(opening) < len(lines) and lines[len(opening)].startswith("//"):
    opening.append(lines[len(opening)][2:].strip().replace("#include", "\\#include"))
body = lines[len(opening):]
about = "\n".join(" * " + text for text in opening)

out = ["/** \\file\n" + about + " */"] if opening else []
for line in body:
    named = re.match(r"^((class|struct) %s|#define %s)\b" % (re.escape(stem), re.escape(stem.upper())), line)
    if named and out and not out[-1].lstrip().startswith("///"):
        out.append("/** " + " ".join(opening) + " */ " + line)
        continue
    line = re.sub(r"^(\s*)//(?=\s|$)", r"\1///", line)
    line = re.sub(r"([;,{}]\s*)//(?=\s)", r"\1///<", line)
    out.append(line)
sys.stdout.write("\n".join(out))
