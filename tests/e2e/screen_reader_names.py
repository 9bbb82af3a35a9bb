#!/usr/bin/python3
"""Reads the KX418 window as a screen reader does, through AT-SPI: one line
"role<TAB>name" for every named control a person uses (the tab strip's own
scroll buttons left out) and "page<TAB>name" for every tab page. Exit code 2
when the program does not show up on the accessibility bus within 20 s."""
import sys
import time

import pyatspi


def find_program():
    for _ in range(200):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "KX418" and app.childCount > 0:
                return app
        time.sleep(0.1)
    return None


def walk(node, lines):
    role = node.getRoleName()
    if role == "page tab list":
        return  # its tabs and scroll buttons belong to the strip
    if role == "layered pane":
        for page in node:
            lines.append("page\t" + page.name)
    elif role in ("spin button", "check box", "push button", "text", "frame") and node.name:
        lines.append(role + "\t" + node.name)
    for child in node:
        if child is not None:
            walk(child, lines)


program = find_program()
if program is None:
    print("KX418 is not on the accessibility bus", file=sys.stderr)
    sys.exit(2)
lines = []
for window in program:
    walk(window, lines)
print("\n".join(lines))
