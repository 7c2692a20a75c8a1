#!/usr/bin/env python3
"""Measures a linear bar code in a 1-bit raster, in printer dots.

    pdftoppm -r 203 -mono -f 1 -l 1 tags.pdf page      # page-1.pbm (or -01, -001 ...)
    scripts/bar-widths.py page-1.pbm [--module N] [--row Y]

Reads a binary PBM (P4). The row is the one that crosses the most black/white changes unless
--row is given. Prints the symbol's origin, the module (the narrowest bar unless --module),
every bar's and space's gain against the nearest whole number of modules, the quiet zones to
the image's edges or the next ink, and the bar height. Exit status 1 when any bar or space is
not a whole number of modules.
"""
import argparse
import sys


def read_pbm(path):
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(b"P4"):
        sys.exit(f"{path}: not a binary PBM (P4)")
    fields, pos = [], 2
    while len(fields) < 2:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while data[pos:pos + 1] not in (b"\n", b""):
                pos += 1
            continue
        start = pos
        while not data[pos:pos + 1].isspace():
            pos += 1
        fields.append(int(data[start:pos]))
    pos += 1
    width, height = fields
    stride = (width + 7) // 8
    rows = []
    for y in range(height):
        line = data[pos + y * stride:pos + (y + 1) * stride]
        rows.append([(line[x >> 3] >> (7 - (x & 7))) & 1 for x in range(width)])
    return width, height, rows


def runs(row):
    out, start = [], 0
    for x in range(1, len(row) + 1):
        if x == len(row) or row[x] != row[start]:
            out.append((row[start], start, x - start))
            start = x
    return out


def symbol_runs(row, gap):
    """The longest stretch of runs whose white runs are all shorter than `gap`."""
    best, current = [], []
    for r in runs(row):
        if r[0] == 0 and r[2] >= gap:
            if sum(1 for c in current if c[0]) > sum(1 for c in best if c[0]):
                best = current
            current = []
        else:
            current.append(r)
    if sum(1 for c in current if c[0]) > sum(1 for c in best if c[0]):
        best = current
    while best and best[-1][0] == 0:
        best.pop()
    while best and best[0][0] == 0:
        best.pop(0)
    return best


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("pbm")
    ap.add_argument("--module", type=int, help="module in dots (default: the narrowest bar)")
    ap.add_argument("--row", type=int, help="row to measure (default: the row crossing the widest run of bars)")
    ap.add_argument("--dpi", type=float, default=203)
    a = ap.parse_args()
    width, height, rows = read_pbm(a.pbm)
    def symbol_on(r):
        inks = [run[2] for run in runs(rows[r]) if run[0] == 1]
        return symbol_runs(rows[r], 10 * max(min(inks), 1)) if inks else []

    def span(r):
        e = symbol_on(r)
        return e[-1][1] + e[-1][2] - e[0][1] if sum(1 for x in e if x[0]) >= 10 else 0

    # The row crossing the widest run of bars: a line of text has many strokes but is shorter.
    y = a.row if a.row is not None else max(range(height), key=span)
    row = rows[y]
    elements = symbol_on(y)
    if not elements:
        sys.exit("no bars found")
    module = a.module or min(r[2] for r in elements if r[0] == 1)
    mm = 25.4 / a.dpi
    first, last = elements[0], elements[-1]
    left = first[1]
    right_edge = last[1] + last[2]
    # Quiet zones: white from the symbol to the next ink on the row (or the image's edge).
    left_quiet = left - max((x + 1 for x in range(left) if row[x]), default=0)
    right_quiet = next((x for x in range(right_edge, width) if row[x]), width) - right_edge
    bad = 0
    gains = {1: [], 0: []}
    for ink, start, length in elements:
        modules = max(1, round(length / module))
        gains[ink].append(length - modules * module)
        if length != modules * module:
            bad += 1
    def bar_extent(run):
        col = run[1] + run[2] // 2
        top = y
        while top > 0 and rows[top - 1][col]:
            top -= 1
        bottom = y
        while bottom + 1 < height and rows[bottom + 1][col]:
            bottom += 1
        return top, bottom - top + 1

    ink_runs = [r for r in elements if r[0] == 1]
    bars = len(gains[1])
    print(f"row {y}: symbol from dot {left} to {right_edge} ({right_edge - left} dots), {bars} bars")
    print(f"module {module} dots = {module * mm:.3f} mm")
    for ink, name in ((1, "bars"), (0, "spaces")):
        g = gains[ink]
        if g:
            print(f"{name}: mean gain {sum(g) / len(g):+.3f} dots, min {min(g):+d}, max {max(g):+d}")
    print(f"quiet zones: left {left_quiet} dots = {left_quiet / module:.1f} modules, "
          f"right {right_quiet} dots = {right_quiet / module:.1f} modules")
    for name, run in (("first bar", ink_runs[0]), ("third bar", ink_runs[min(2, len(ink_runs) - 1)])):
        top, h = bar_extent(run)
        print(f"{name}: from row {top}, {h} dots = {h * mm:.2f} mm")
    print(f"elements off the module grid: {bad}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
