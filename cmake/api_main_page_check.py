"""Fails when the API reference's main page says too little to start from.

    api_main_page_check.py INDEX_HTML

The page must hold at least 150 words of its own (Doxygen's frame aside) and
link to the guide, so that a reference built without its main page, or with
an empty one, fails the docs target.
"""
import html
import re
import sys

minimum_words = 150
text = open(sys.argv[1], encoding="utf-8").read()
contents = text.split('<div class="contents">', 1)[1] if '<div class="contents">' in text else ""
contents = re.sub(r"<script.*?</script>", " ", contents, flags=re.S)
words = len(html.unescape(re.sub(r"<[^>]+>", " ", contents)).split())
faults = []
if words < minimum_words:
    faults.append(f"the main page has only {words} words (at least {minimum_words})")
if "writing-a-panel.md" not in contents:
    faults.append("the main page does not link to the guide (writing-a-panel.md)")
for fault in faults:
    print(f"api_main_page_check: {sys.argv[1]}: {fault}", file=sys.stderr)
sys.exit(1 if faults else 0)
