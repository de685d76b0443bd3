#!/usr/bin/env python3
"""Holds a shipped translation to the window's texts.

lupdate reads the sources afresh into a new .ts file; every text it finds
must be in the shipped file, translated, with the same placeholders, and the
shipped file may hold no text the sources no longer have.

usage: check_translations.py LUPDATE SOURCE_ROOT TS_FILE
"""
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from pathlib import Path


def messages(path):
    """(context, source, comment) -> (translation, type) of a .ts file."""
    out = {}
    for context in ET.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for m in context.iter("message"):
            key = (name, m.findtext("source"), m.findtext("comment") or "")
            t = m.find("translation")
            out[key] = ("" if t is None else (t.text or ""), "" if t is None else t.get("type", ""))
    return out


def placeholders(text):
    return sorted(set(re.findall(r"%\d", text)))


def main():
    lupdate, root, shipped = sys.argv[1], Path(sys.argv[2]), Path(sys.argv[3])
    with tempfile.TemporaryDirectory() as tmp:
        fresh = Path(tmp) / shipped.name
        run = subprocess.run([lupdate, "-no-obsolete", "-locations", "none", "-I", str(root),
                              str(root / "ui"), str(root / "app"), "-ts", str(fresh)],
                             capture_output=True, text=True)
        if run.returncode != 0:
            print(run.stdout + run.stderr)
            return 1
        found = messages(fresh)
    have = messages(shipped)
    problems = []
    for key in found:
        where = f"{key[0]}: {key[1]!r}"
        if key not in have:
            problems.append(f"missing from {shipped.name}: {where}")
            continue
        text, kind = have[key]
        if kind or not text.strip():
            problems.append(f"not translated ({kind or 'empty'}): {where}")
        elif placeholders(text) != placeholders(key[1]):
            problems.append(f"placeholders differ: {where} -> {text!r}")
    for key in have:
        if key not in found:
            problems.append(f"no longer in the sources: {key[0]}: {key[1]!r}")
    for p in problems:
        print(p)
    if not found:
        print("lupdate found no texts")
        return 1
    print(f"{len(found)} texts, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
