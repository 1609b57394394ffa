#!/usr/bin/env python3
"""Writes data/athena.txt, the mineral database the program ships, from the IMA list of
approved mineral species (data-sources/ima-minerals-2022-02-28.csv, exported from the RRUFF
project's IMA database), in the listing format the mineral lookup reads:

    | CALCITE                        | Ca(CO3)                                  |

One line per species, CR LF, Windows-1252. The name column is the plain (unaccented) name in
capitals; lines are sorted by that column in byte order, so a name comes before every longer
name it begins (the lookup takes the first match). The formula keeps the list's notation,
with the few changes the label drawing needs:

  slip      one formula of the export holds the hydrate dot mis-encoded as "Â·": the stray
            "Â" goes (gunterite)
  hydrate   the dot before water of hydration becomes ".", so the coefficient after it stays
            on the line as the label draws it: Ca(SO4)·2H2O -> Ca(SO4).2H2O
  vacancy   "[box]", a vacant site, becomes the ASCII mark "[]": (F,[box]) -> (F,[])
  ascii     characters Windows-1252 lacks are spelt in ASCII: "≤" -> "<=", "≈" -> "~",
            "Σ" -> "Sum"

Run from the repository root: scripts/make-athena.py
    --stats    also print, for each rule, how many formulas needed it and five examples
    --output F write to F instead of data/athena.txt (the test compares the two)
"""
import argparse
import csv
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE = os.path.join(ROOT, "data-sources", "ima-minerals-2022-02-28.csv")
TARGET = os.path.join(ROOT, "data", "athena.txt")

NAME_WIDTH = 30
FORMULA_WIDTH = 40

# Rule name -> list of (from, to) replacements, applied in this order.
RULES = [
    ("slip", [("\u00c2\u00b7", "\u00b7")]),
    ("hydrate", [("\u00b7", ".")]),
    ("vacancy", [("[box]", "[]")]),
    ("ascii", [("\u2264", "<="), ("\u2248", "~"), ("\u03a3", "Sum")]),
]


def convert_formula(formula, used):
    for rule, replacements in RULES:
        before = formula
        for old, new in replacements:
            formula = formula.replace(old, new)
        if formula != before:
            used.setdefault(rule, []).append((before, formula))
    return formula


def read_species(path):
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    species = []
    for row in rows:
        name = row["Mineral Name (plain)"].strip().upper()
        formula = row["IMA Chemistry (plain)"].strip()
        species.append((name, formula))
    return species


def check(name, formula):
    for text in (name, formula):
        if "|" in text or "\r" in text or "\n" in text:
            sys.exit(f"make-athena: '{name}' holds a bar or a line break")
        text.encode("cp1252")  # raises for a character the code page lacks


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--output", default=TARGET)
    parser.add_argument("--source", default=SOURCE)
    parser.add_argument("--stats", action="store_true")
    args = parser.parse_args()

    used = {}
    lines = []
    names = set()
    for name, formula in read_species(args.source):
        if name in names:
            sys.exit(f"make-athena: '{name}' twice")
        names.add(name)
        formula = convert_formula(formula, used)
        check(name, formula)
        lines.append((name.encode("cp1252"), formula))
    lines.sort()

    out = bytearray()
    for name, formula in lines:
        row = "| %-*s | %-*s |" % (NAME_WIDTH, name.decode("cp1252"), FORMULA_WIDTH, formula)
        out += row.encode("cp1252") + b"\r\n"
    tmp = args.output + ".tmp"
    with open(tmp, "wb") as f:
        f.write(out)
    os.replace(tmp, args.output)

    if args.stats:
        print(f"species: {len(lines)}")
        for rule, _ in RULES:
            examples = used.get(rule, [])
            print(f"{rule}: {len(examples)} formulas")
            for before, after in examples[:5]:
                print(f"    {before}  ->  {after}")


if __name__ == "__main__":
    main()
