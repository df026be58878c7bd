#!/usr/bin/python3
"""Prints what a screen reader learns of a running program over AT-SPI: one line per
accessible object of its windows, "depth<TAB>role<TAB>name".

    atspi_tree.py APP_NAME [SECONDS]

Waits up to SECONDS (20) for the program to show a window on the accessibility bus; exits 1
when it never does."""
import sys
import time

import pyatspi


def dump(node, depth, out):
    out.append(f"{depth}\t{node.getRoleName()}\t{node.name}")
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            dump(child, depth + 1, out)


def main():
    name = sys.argv[1]
    end = time.monotonic() + float(sys.argv[2] if len(sys.argv) > 2 else 20)
    while time.monotonic() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == name and app.childCount > 0:
                out = []
                dump(app, 0, out)
                print("\n".join(out))
                return 0
        time.sleep(0.2)
    print(f"no application {name} on the accessibility bus", file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
