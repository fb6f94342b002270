#!/usr/bin/env python3
"""Every link in the help topics leads somewhere: the topic file exists, and a
#fragment names an anchor in it; every context number maps to a topic."""
import pathlib
import re
import sys

help_dir = pathlib.Path(sys.argv[1])
problems = []
anchors = {}
for page in help_dir.glob("*.html"):
    text = page.read_text(encoding="utf-8")
    anchors[page.name] = set(re.findall(r'<a\s+name="([^"]+)"', text))

for page in sorted(help_dir.glob("*.html")):
    for href in re.findall(r'href="([^"]+)"', page.read_text(encoding="utf-8")):
        if re.match(r"[a-z]+:", href):
            continue  # outside links are the browser's business
        name, _, fragment = href.partition("#")
        name = name or page.name
        if name not in anchors:
            problems.append(f"{page.name}: {href}: no topic {name}")
        elif fragment and fragment not in anchors[name]:
            problems.append(f"{page.name}: {href}: no anchor {fragment} in {name}")

for line in (help_dir / "contexts.txt").read_text(encoding="utf-8").splitlines():
    if line.strip():
        number, topic = line.split(maxsplit=1)
        if topic not in anchors:
            problems.append(f"contexts.txt: {number} -> missing {topic}")

print("\n".join(problems) or f"{len(anchors)} topics, every link resolves")
sys.exit(1 if problems else 0)
