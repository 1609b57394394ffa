#!/usr/bin/env python3
"""Writes data/athena.txt, the mineral database the program ships, from the IMA list of
approved mineral species (data-sources/ima-minerals-2022-02-28.csv, exported from the RRUFF
project's IMA database), in the listing format the mineral lookup reads:

    | BASTNÄSITE-(CE)                | (Ce)(CO3)F                               | Bastnäsite-(Ce) |

One line per species, CR LF, Windows-1252. The first column is the IMA name in capitals, the
column the lookup searches; the third is the name as the IMA writes it (diacritics, the case
of a suffix such as -(Ce)), which the label gets. A reader that knows only two columns
ignores the third. The export's markup (<i>N</i>, NH<sub>4</sub>, NH_4_, Fe<sup>2+</sup>) goes
from the names. Characters Windows-1252 lacks are written as their base letter (č -> c),
and the Greek letters as the IMA's plain list spells them (β -> beta). Lines are sorted by
the name with its diacritics and apostrophes taken off, so a name comes before every longer
name it begins (the lookup takes the first match), whether it is typed with its diacritics or
without.

The formula keeps the list's notation (charges Fe2+, the hydrate dot "·" as byte B7,
decimals, ranges, variables), with the changes Windows-1252 and the label need:

  slip      one formula of the export holds the hydrate dot mis-encoded as "Â·": the stray
            "Â" goes (gunterite)
  markup    the export's italics tags (<i>x</i>) go, their text stays
  note      a note after the formula goes: "Cu1-xAsx (x ≈ 0.15)" -> "Cu1-xAsx", also a note
            after "; " or ", " and a bare condition such as "0<x≤0.5"; a space inside the
            formula goes (saranovskite's "Fe2+ 2")
  sum       a site total "Σ6" or "Σ=9" goes (Windows-1252 has no Σ, and it is a count of the sites
            rather than of atoms)
  vacancy   "[box]", a vacant site, becomes "[]", which the label draws as □
  ascii     any "≤" or "≈" left becomes "<=" or "~"

Run from the repository root: scripts/make-athena.py
    --stats    also print, for each rule, how many formulas needed it and five examples
    --output F write to F instead of data/athena.txt (the test compares the two)
"""
import argparse
import csv
import os
import re
import sys
import unicodedata

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE = os.path.join(ROOT, "data-sources", "ima-minerals-2022-02-28.csv")
TARGET = os.path.join(ROOT, "data", "athena.txt")

NAME_WIDTH = 30
FORMULA_WIDTH = 40

RELATION = re.compile("[\u2248\u2264<>=~]")


def drop_note(formula):
    """The formula without the note the export adds after it."""
    for sep in ("; ", ", "):
        if sep in formula:
            formula = formula.split(sep)[0]
    if " " not in formula:
        return formula
    head, rest = formula.split(" ", 1)
    if rest.startswith(("(", "[")) or RELATION.search(rest):
        return head
    return head + drop_note(rest)  # a space inside the formula


def replace_all(formula, pairs):
    for old, new in pairs:
        formula = formula.replace(old, new)
    return formula


RULES = [
    ("slip", lambda f: f.replace("\u00c2\u00b7", "\u00b7")),
    ("markup", lambda f: re.sub(r"</?i>", "", f)),
    ("note", drop_note),
    ("sum", lambda f: re.sub("\u03a3=?[0-9.]+", "", f)),
    ("vacancy", lambda f: f.replace("[box]", "[]")),
    ("ascii", lambda f: replace_all(f, [("\u2264", "<="), ("\u2248", "~")])),
]


def convert_formula(formula, used):
    for rule, change in RULES:
        before = formula
        formula = change(formula)
        if formula != before:
            used.setdefault(rule, []).append((before, formula))
    return formula


GREEK = {"\u03b1": "alpha", "\u03b2": "beta"}


def code_page_name(name):
    """The IMA name in Windows-1252: a character the code page lacks becomes its base letter."""
    out = ""
    for c in name:
        try:
            c.encode("cp1252")
            out += c
        except UnicodeEncodeError:
            if c in GREEK:
                out += GREEK[c]
            else:
                base = unicodedata.normalize("NFKD", c)[0]
                base.encode("cp1252")
                out += base
    return out


def capitals(name):
    """The name in capitals, letter by letter, so that ß stays one letter."""
    out = ""
    for c in name:
        u = c.upper()
        out += u if len(u) == 1 and can_encode(u) else c
    return out


def can_encode(c):
    try:
        c.encode("cp1252")
        return True
    except UnicodeEncodeError:
        return False


FOLD = {"Æ": "AE", "æ": "AE", "Ø": "O", "ø": "O", "ß": "SS", "Œ": "OE", "œ": "OE", "Ł": "L",
        "ł": "L", "Đ": "D", "đ": "D", "Ð": "D", "ð": "D", "Þ": "TH", "þ": "TH", "'": ""}


def plain(text):
    """The name folded as the lookup compares names: capitals without diacritics, without
    apostrophes (the sort order)."""
    out = ""
    for c in text:
        if c in FOLD:
            out += FOLD[c]
            continue
        base = "".join(d for d in unicodedata.normalize("NFKD", c) if not unicodedata.combining(d))
        out += base.upper() if base.isascii() else c
    return out


def read_species(path):
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    return [(re.sub(r"</?\w+>|_(?=\d+_)|(?<=\d)_", "", row["Mineral Name"]).strip(),
             row["IMA Chemistry (plain)"].strip()) for row in rows]


def check(name, text):
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
    for ima_name, formula in read_species(args.source):
        spelling = code_page_name(ima_name)
        name = capitals(spelling)
        key = plain(name)
        if key in names:
            sys.exit(f"make-athena: '{name}' twice")
        names.add(key)
        formula = convert_formula(formula, used)
        for text in (name, spelling, formula):
            check(ima_name, text)
        lines.append((key.encode("cp1252", "replace"), name.encode("cp1252"), name, formula,
                      spelling))
    lines.sort()

    out = bytearray()
    for _, _, name, formula, spelling in lines:
        row = "| %-*s | %-*s | %s |" % (NAME_WIDTH, name, FORMULA_WIDTH, formula, spelling)
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
