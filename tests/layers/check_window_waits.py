#!/usr/bin/env python3
"""Fails when a window test waits a fixed time, or waits with QtTest's QTRY_
macros: those report to QtTest, which GoogleTest never reads, so a condition
that never comes true would pass silently. Window tests wait with
ASSERT_TRUE(QTest::qWaitFor(...)) on a condition instead.
Run as: check_window_waits.py SOURCE_DIR"""
import re
import sys
from pathlib import Path

FORBIDDEN = re.compile(r"\bQTRY_\w+|\bQTest::qWait\s*\(|\bsleep_for\s*\(|\b[mu]?sleep\s*\(")


def findings(root):
    for folder in ("tests/gui", "tests/gui_fit"):
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in (".h", ".cpp"):
                continue
            text = path.read_text(encoding="utf-8", errors="replace")
            for number, line in enumerate(text.splitlines(), 1):
                code = line.split("//", 1)[0]
                m = FORBIDDEN.search(code)
                if m:
                    yield f"{path.relative_to(root)}:{number}: {m.group(0).strip()}"


def main():
    root = Path(sys.argv[1])
    found = list(findings(root))
    for line in found:
        print(line)
    if found:
        print(f"{len(found)} fixed or unchecked waits in the window tests")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
