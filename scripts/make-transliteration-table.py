#!/usr/bin/env python3
"""Writes src/console/TransliterationTable.cpp: the code page 437 rendering of
every Unicode character that code page lacks and that renders as something
other than one question mark.

    scripts/make-transliteration-table.py [--check] [UnicodeData.txt] [output]

With --check nothing is written: the exit code says whether the output file
is what the data gives (0) or not (1).

The Unicode character database (Debian: the unicode-data package) gives the
decompositions, the names and the general categories; the rules below turn
them into renderings, in this order, the first that gives one wins:

1. The two romanizations and the few typographic and Latin forms no data
   holds (tables at the top).
2. Canonical decomposition: the base letter keeps the marks that code page
   437 has on it (o + double acute takes the diaeresis: the long form of
   the same vowel), and loses the rest; a Greek or Cyrillic base that code
   page lacks is romanized first, so that its marks can stay (Greek
   alpha with tonos becomes a with acute).
3. Latin letters with a stroke, hook and the like by their names ("LATIN
   CAPITAL LETTER L WITH STROKE" is L), and the Latin ligatures.
4. Compatibility decomposition (ligatures, full-width and styled letters,
   fractions, the ellipsis), when each part has a rendering.
5. By general category: marks and format characters give nothing, spaces a
   blank, dashes a hyphen-minus, quotation marks ' or ", digits their
   value.

Everything else (Han, Arabic, Hebrew, Hangul and the rest) is one question
mark, which the program gives without a table entry.
"""

import re
import sys

ARGUMENTS = [a for a in sys.argv[1:] if a != "--check"]
CHECK = "--check" in sys.argv[1:]
DATA = ARGUMENTS[0] if len(ARGUMENTS) > 0 else "/usr/share/unicode/UnicodeData.txt"
OUTPUT = ARGUMENTS[1] if len(ARGUMENTS) > 1 else "src/console/TransliterationTable.cpp"

# Cyrillic: ICAO Doc 9303 (machine-readable travel documents), its table
# for all Cyrillic alphabets, in capitals as the travel document writes
# them; a key gives a letter at a time, so a capital becomes the title-case
# form (Shch). The soft sign, which that table leaves out, is an apostrophe
# here: a key press must leave a trace.
CYRILLIC = {
    "А": "A", "Б": "B", "В": "V", "Г": "G", "Ґ": "G", "Д": "D", "Ђ": "D", "Ѓ": "G",
    "Е": "E", "Ё": "E", "Є": "IE", "Ж": "ZH", "З": "Z", "Ѕ": "DZ", "И": "I", "І": "I",
    "Ї": "I", "Й": "I", "Ј": "J", "К": "K", "Л": "L", "Љ": "LJ", "М": "M", "Н": "N",
    "Њ": "NJ", "О": "O", "П": "P", "Р": "R", "С": "S", "Т": "T", "Ћ": "C", "Ќ": "K",
    "У": "U", "Ў": "U", "Ф": "F", "Х": "KH", "Ц": "TS", "Ч": "CH", "Џ": "DZ", "Ш": "SH",
    "Щ": "SHCH", "Ъ": "IE", "Ы": "Y", "Ь": "'", "Э": "E", "Ю": "IU", "Я": "IA",
    "Ѣ": "IE", "Ѳ": "F", "Ѵ": "Y", "Ѫ": "U",
}

# Greek: ISO 843 transliteration, letter by letter; eta and omega lose the
# macron that code page 437 cannot show. Letters the code page has never
# get here.
GREEK = {
    "Α": "A", "Β": "V", "Γ": "G", "Δ": "D", "Ε": "E", "Ζ": "Z", "Η": "I", "Θ": "TH",
    "Ι": "I", "Κ": "K", "Λ": "L", "Μ": "M", "Ν": "N", "Ξ": "X", "Ο": "O", "Π": "P",
    "Ρ": "R", "Σ": "S", "Τ": "T", "Υ": "Y", "Φ": "F", "Χ": "CH", "Ψ": "PS", "Ω": "O",
    "ς": "s",
}

# Typographic characters and letters whose plain form no data gives.
SPECIAL = {
    "\u2018": "'", "\u2019": "'", "\u201A": "'", "\u201B": "'", "\u2032": "'", "\u00B4": "'",
    "\u201C": '"', "\u201D": '"', "\u201E": '"', "\u201F": '"', "\u2033": '"', "\u00A8": '"',
    "\u02DD": '"', "\u2039": "<", "\u203A": ">", "\u2212": "-", "\u2043": "-", "\u00AF": "-",
    "\u00B8": ",", "\u02C6": "^", "\u02DC": "~", "\u2044": "/", "\u00D7": "x", "\u00A6": "|",
    "\u02BC": "'", "\u02B9": "'", "\u20AC": "EUR", "\u00A9": "(C)", "\u00AE": "(R)",
    "Þ": "Th", "þ": "th", "Ð": "D", "ð": "d", "Ŋ": "N", "ŋ": "n", "ẞ": "SS", "ĸ": "k",
}

# Look-alikes the program takes as the glyphs the code page shows (its
# unicodeToCp437): typed, they are those bytes already.
LOOK_ALIKES = {0x03B2: 0xE1, 0x03BC: 0xE6, 0x2126: 0xEA, 0x2208: 0xEE, 0x03D5: 0xED}

DOUBLE_ACUTE, DIAERESIS = 0x030B, 0x0308


def load(path):
    chars = {}
    with open(path, encoding="ascii") as data:
        for line in data:
            fields = line.rstrip("\n").split(";")
            code = int(fields[0], 16)
            chars[code] = {"name": fields[1], "category": fields[2], "decomposition": fields[5],
                           "digit": fields[6]}
    return chars


def codePage():
    """The byte of each character code page 437 has (the no-break space,
    byte 255, among them: text the code page has is stored as it always
    was), control range aside."""
    table = {}
    for b in list(range(32, 127)) + list(range(128, 256)):
        table[ord(bytes([b]).decode("cp437"))] = b
    table.update(LOOK_ALIKES)
    return table


class Renderer:
    def __init__(self, chars):
        self.chars = chars
        self.cp437 = codePage()
        self.compose = {}
        for code, c in chars.items():
            d = c["decomposition"]
            if d and not d.startswith("<"):
                parts = tuple(int(p, 16) for p in d.split())
                if len(parts) == 2:
                    self.compose.setdefault(parts, code)
        self.memo = {}

    def canonical(self, code):
        """Full canonical decomposition: the base, then its marks."""
        d = self.chars.get(code, {}).get("decomposition", "")
        if not d or d.startswith("<"):
            return [code]
        parts = [int(p, 16) for p in d.split()]
        return self.canonical(parts[0]) + parts[1:]

    def composed(self, base, marks):
        for mark in marks:
            base = self.compose.get((base, mark))
            if base is None:
                return None
        return base

    def withMarks(self, bases, marks):
        """The code page byte of a base with as many of its marks as the
        code page shows, trying each base in turn; None when none shows."""
        marks = [DIAERESIS if m == DOUBLE_ACUTE else m for m in marks]
        for size in range(len(marks), -1, -1):
            for chosen in subsets(marks, size):
                for base in bases:
                    code = self.composed(base, chosen)
                    if code in self.cp437:
                        return bytes([self.cp437[code]])
        return None

    def romanized(self, code):
        """A Greek or Cyrillic letter by its romanization, title case for a
        capital; None for any other character."""
        ch = chr(code)
        for table in (CYRILLIC, GREEK):
            if ch in table:
                return table[ch].capitalize() if ch.isupper() else table[ch]
            upper = ch.upper()
            if len(upper) == 1 and upper != ch and upper in table:
                return table[upper].lower()
        return None

    def render(self, code):
        """Bytes in code page 437, or None for a question mark."""
        if code not in self.memo:
            self.memo[code] = self.find(code)
        return self.memo[code]

    def find(self, code):
        if code in self.cp437:
            return bytes([self.cp437[code]])
        ch = chr(code)
        if ch in SPECIAL:
            return SPECIAL[ch].encode("ascii")
        roman = self.romanized(code)
        if roman is not None:
            return roman.encode("ascii")
        c = self.chars.get(code)
        if c is None:
            return None
        parts = self.canonical(code)
        if len(parts) > 1:
            base, marks = parts[0], parts[1:]
            bases = [base]
            for plain in (self.romanized(base), self.render(base)):
                if plain is not None and len(plain) == 1 and ord(plain) < 128:
                    bases.append(ord(plain))
            kept = self.withMarks(bases, marks)
            if kept is not None:
                return kept
            return self.render(base)
        letter = re.fullmatch(r"LATIN (CAPITAL|SMALL) (?:LETTER (?:DOTLESS )?([A-Z])(?: WITH (?!.*LETTER).*)?"
                              r"|LIGATURE ([A-Z]+))", c["name"])
        if letter:
            text = letter.group(2) or letter.group(3)
            return (text if letter.group(1) == "CAPITAL" else text.lower()).encode("ascii")
        d = c["decomposition"]
        if d.startswith("<") and not d.split()[1:2] == ["0020"]:  # a spacing accent: no letter
            rendered = [self.render(int(p, 16)) for p in d.split()[1:]]
            if all(r is not None for r in rendered) and any(rendered):
                return b"".join(rendered)
        category = c["category"]
        if category in ("Mn", "Mc", "Me", "Cf", "Cc"):
            return b""
        if category in ("Zs", "Zl", "Zp"):
            return b" "
        if category == "Pd":
            return b"-"
        if category in ("Pi", "Pf"):
            return b'"' if "DOUBLE" in c["name"] else b"'"
        if category == "Nd" and c["digit"]:
            return c["digit"].encode("ascii")
        return None


def subsets(items, size):
    if size == 0:
        yield []
        return
    for i in range(len(items) - size + 1):
        for rest in subsets(items[i + 1:], size - 1):
            yield [items[i]] + rest


def runs(renderings):
    """Consecutive characters whose renderings are the same text, or one
    byte each rising by one (full-width A..Z, a script's digits 0..9), as
    [first, last, text, step]."""
    out = []
    for code in sorted(renderings):
        text = renderings[code]
        if out and code == out[-1][1] + 1:
            first, last, start, step = out[-1]
            if step == 0 and text == start:
                out[-1][1] = code
                continue
            rising = len(text) == 1 and len(start) == 1 and text[0] == start[0] + (code - first)
            if rising and (step == 1 or first == last):
                out[-1][1] = code
                out[-1][3] = 1
                continue
        out.append([code, code, text, 0])
    return out


def cString(text):
    out = '"'
    for b in text:
        if 32 <= b < 127 and chr(b) not in '"\\':
            out += chr(b)
        else:
            out += "\\%03o" % b
    return out + '"'


def main():
    chars = load(DATA)
    renderer = Renderer(chars)
    renderings = {}
    for code in chars:
        if code < 0x80 or code in renderer.cp437:
            continue
        text = renderer.render(code)
        if text is not None and text != b"?":
            renderings[code] = text
    table = runs(renderings)
    # What the run's fields hold (TransliterationTable.h).
    assert all(last - first < 1 << 16 and len(text) <= 4 for first, last, text, _ in table)
    lines = [
        "// Generated by scripts/make-transliteration-table.py from the Unicode",
        "// character database; do not edit. The code page 437 rendering of each",
        "// character the code page lacks, in runs of consecutive characters:",
        "// first, how many follow it, step, text.",
        '#include "console/TransliterationTable.h"',
        "",
        "namespace corvel {",
        "",
        "const TransliterationRun transliterationRuns[] = {",
    ]
    for first, last, text, step in table:
        name = chars[first]["name"]
        if last != first:
            name += " .. " + chars[last]["name"]
        lines.append("    {0x%05X, %d, %d, %s},  // %s" % (first, last - first, step, cString(text), name))
    lines += [
        "};",
        "",
        "const std::size_t transliterationRunCount = sizeof transliterationRuns / sizeof transliterationRuns[0];",
        "",
        "}  // namespace corvel",
        "",
    ]
    text = "\n".join(lines)
    if CHECK:
        with open(OUTPUT, encoding="ascii") as current:
            if current.read() != text:
                sys.exit("%s is not what %s gives: run %s" % (OUTPUT, DATA, sys.argv[0]))
        return
    with open(OUTPUT, "w", encoding="ascii") as out:
        out.write(text)
    print("%d characters in %d runs" % (len(renderings), len(table)), file=sys.stderr)


if __name__ == "__main__":
    main()
