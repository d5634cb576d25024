"""Reads a public header's plain comments as Doxygen documentation.

The opening comment describes the file and, repeated, the class, struct or
macro named as the file is; a comment on lines of its own documents what follows
it; a comment after a member or an enumerator documents that member. An
indented comment followed by an empty line heads a group of members (its
first words, up to a comma, colon, bracket or full stop, are its title), which
ends at the next such heading, access label or the end of the class. Lines
are kept one for one, but for one added by the file's opening comment, so
Doxygen's line numbers are one past the header's below that comment.
"""
import os
import re
import sys

path = sys.argv[1]
if not path.endswith(".h"):  # the main page, Markdown: as it is
    sys.stdout.write(open(path, encoding="utf-8").read())
    sys.exit(0)
lines = open(path, encoding="utf-8").read().split("\n")
stem = os.path.splitext(os.path.basename(path))[0]

opening = []
while len(opening) < len(lines) and lines[len(opening)].startswith("//"):
    opening.append(lines[len(opening)][2:].strip().replace("#include", "\\#include"))
body = lines[len(opening):]
about = "\n".join(" * " + text for text in opening)


def own_comment(line):
    return re.match(r"^\s*//(\s|$)", line) is not None


def heading_block(lines, start):
    """The end of the indented comment block at `start` when an empty line follows it, else None."""
    if not re.match(r"^\s+//", lines[start]) or (start > 0 and own_comment(lines[start - 1])):
        return None
    end = start
    while end < len(lines) and own_comment(lines[end]):
        end += 1
    return end if end < len(lines) and lines[end].strip() == "" else None


def group_heading(texts):
    """A member group's opening, one line for each line of the heading and the empty one after it."""
    title = re.split(r",\s|\.(?:\s|$)|\s\(|:\s", texts[0], maxsplit=1)[0].strip()
    text = " ".join(texts)
    if len(texts) == 1:  # a title alone needs no text
        return ["/** @name " + title, (" * " + text if text.rstrip(".") != title else "") + " */ /*@{*/"]
    return ["/** @name " + title, " * " + text] + [" *"] * (len(texts) - 2) + [" */ /*@{*/"]


out = ["/** \\file\n" + about + " */"] if opening else []
grouped = False  # inside a member group
i = 0
while i < len(body):
    line = body[i]
    end = heading_block(body, i)
    closes = end is not None or re.match(r"^\s*((public|protected|private)\s*:|};)", line)
    prefix = "/*@}*/ " if grouped and closes else ""
    if prefix:
        grouped = False
    if end is not None:
        texts = [re.sub(r"^\s*//\s?", "", l).strip() for l in body[i:end]]
        block = group_heading(texts)
        block[0] = prefix + block[0]
        out.extend(block)
        grouped = True
        i = end + 1
        continue
    named = re.match(r"^((class|struct) %s|#define %s)\b" % (re.escape(stem), re.escape(stem.upper())), line)
    if named and out and not out[-1].lstrip().startswith("///"):
        out.append("/** " + " ".join(opening) + " */ " + line)
        i += 1
        continue
    line = re.sub(r"^(\s*)//(?=\s|$)", r"\1///", line)
    line = re.sub(r"([;,{}]\s*)//(?=\s)", r"\1///<", line)
    out.append(prefix + line)
    i += 1
sys.stdout.write("\n".join(out))
