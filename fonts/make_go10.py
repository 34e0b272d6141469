#!/usr/bin/python3
"""Builds the program's font "Glyphora 010" (GO10.TTF) and its base64 copy
FNT.ATT from a free Devanagari font.

Every glyph code of the encoding gets one glyph, drawn the way fonts of this
encoding draw it: the code's Unicode meaning is shaped with HarfBuzz
(hb-shape) in the source font, and the resulting glyphs are flattened into
one outline at the positions HarfBuzz gave them. Letters, half forms and
conjuncts keep their advance; signs drawn on or under the glyph before them
get no advance and sit at negative x; the short-i sign keeps its advance and
overhangs the consonant after it. The output is byte-for-byte reproducible.
"""

import argparse
import base64
import json
import subprocess
import sys

from fontTools.fontBuilder import FontBuilder
from fontTools.pens.recordingPen import DecomposingRecordingPen
from fontTools.pens.transformPen import TransformPen
from fontTools.pens.ttGlyphPen import TTGlyphPen
from fontTools.ttLib import TTFont

ZWJ = "\u200d"
# Fixed dates (seconds since 1904-01-01) keep every build's bytes the same.
FONT_DATE = 3786825600  # 2024-01-01

# Bases the signs are shaped on: the first whose shaping keeps the base
# glyph apart from the sign wins. Pa has its stem at the right edge, where
# the signs of this encoding sit.
SIGN_BASES = ["प", "ब", "म", "क", "ट"]


class Shaper:
    def __init__(self, path):
        self.path = path
        self.cache = {}

    def shape(self, text):
        if text not in self.cache:
            out = subprocess.run(
                ["hb-shape", "--output-format=json", "--no-clusters", self.path, "--text", text],
                check=True, capture_output=True, text=True).stdout
            glyphs, pen = [], 0
            for g in json.loads(out):
                glyphs.append((g["g"], pen + g.get("dx", 0), g.get("dy", 0), g["ax"]))
                pen += g["ax"]
            self.cache[text] = glyphs
        return self.cache[text]


def find_run(glyphs, base):
    """Index of the base glyphs inside a shaped sequence, or None."""
    names = [g[0] for g in glyphs]
    want = [g[0] for g in base]
    for i in range(len(names) - len(want) + 1):
        if names[i:i + len(want)] == want:
            return i
    return None


def parts_for(shaper, code, role, meaning):
    """(glyph parts [(name, x, y)], advance) for one code, or None."""
    # 0xA2 is the e sign drawn for ka and pha, whose stem is not at the
    # right edge
    bases = ["क"] + SIGN_BASES if code == 0xA2 else SIGN_BASES
    if role in ("text", "punctuation", "digit", "consonant", "conjunct", "vowel"):
        glyphs = shaper.shape(meaning)
        return [(n, x, y) for n, x, y, _ in glyphs], sum(g[3] for g in glyphs)
    if role == "half":
        glyphs = shaper.shape(meaning + ZWJ)
        return [(n, x, y) for n, x, y, _ in glyphs], sum(g[3] for g in glyphs)

    for base in bases:
        base_glyphs = shaper.shape(base)
        if role in ("reph",) or meaning.startswith("र्"):
            rest = meaning[2:]
            text = "र्" + base + rest
        else:
            text = base + meaning
        glyphs = shaper.shape(text)
        at = find_run(glyphs, base_glyphs)
        if at is None:
            continue
        before, after = glyphs[:at], glyphs[at + len(base_glyphs):]
        if role == "sign-left":
            if not before:
                continue
            parts = [(n, x, y) for n, x, y, _ in before]
            # what HarfBuzz placed after the base (a reph) overhangs it
            parts += [(n, x, y) for n, x, y, _ in after]
            return parts, sum(g[3] for g in before)
        if before or not after:
            continue
        end = sum(g[3] for g in glyphs[:at + len(base_glyphs)])
        parts = [(n, x - end, y) for n, x, y, _ in after]
        advance = sum(g[3] for g in after)
        return parts, advance
    return None


def draw(font, parts, pen):
    """Draws the parts into `pen` as plain outlines (components decomposed)."""
    glyph_set = font.getGlyphSet()
    for name, dx, dy in parts:
        recording = DecomposingRecordingPen(glyph_set)
        glyph_set[name].draw(recording)
        recording.replay(TransformPen(pen, (1, 0, 0, 1, round(dx), round(dy))))


def bounds_x(font, parts):
    from fontTools.pens.boundsPen import BoundsPen
    pen = BoundsPen(font.getGlyphSet())
    draw(font, parts, pen)
    return pen.bounds


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--table-tool", required=True, help="program that prints the glyph table")
    ap.add_argument("--source", required=True, help="Devanagari source font (TrueType)")
    ap.add_argument("--latin", required=True, help="Latin font for characters the source lacks")
    ap.add_argument("--licence", required=True, help="the source font's licence file")
    ap.add_argument("--font-out", required=True)
    ap.add_argument("--att-out", required=True)
    ap.add_argument("--licence-out", required=True)
    args = ap.parse_args()

    table = []
    dump = subprocess.run([args.table_tool], check=True, capture_output=True).stdout.decode("utf-8")
    for line in dump.splitlines():
        code, role, char, meaning = line.split("\t")
        table.append((int(code, 16), role, int(char, 16), meaning))

    deva = TTFont(args.source)
    latin = TTFont(args.latin)
    upm = deva["head"].unitsPerEm
    if latin["head"].unitsPerEm != upm:
        sys.exit("the Latin font must have the source font's units per em")
    deva_shaper, latin_shaper = Shaper(args.source), Shaper(args.latin)

    glyph_order = [".notdef"]
    glyphs, metrics, cmap = {}, {}, {}

    pen = TTGlyphPen(None)
    glyphs[".notdef"] = pen.glyph()
    metrics[".notdef"] = (upm // 2, 0)

    missing = []
    for code, role, char, meaning in table:
        source, shaper = deva, deva_shaper
        if role == "subscript-ra":
            result = subscript_ra(deva, code), 0
        elif role == "nukta":
            # every base the source font has forms a precomposed letter with
            # the nukta: take the mark itself, drawn for the pen at its right
            result = [("nuktadeva", 0, 0)], 0
        else:
            result = parts_for(shaper, code, role, meaning)
        if result is None or any(n == ".notdef" for n, _, _ in result[0]):
            source, shaper = latin, latin_shaper
            result = parts_for(shaper, code, role, meaning)
        if result is None or any(n == ".notdef" for n, _, _ in result[0]):
            missing.append("%02X" % code)
            continue
        parts, advance = result
        name = "k%02X" % code
        pen = TTGlyphPen(None)
        draw(source, parts, pen)
        glyphs[name] = pen.glyph()
        box = bounds_x(source, parts)
        metrics[name] = (max(0, round(advance)), box[0] if box else 0)
        glyph_order.append(name)
        cmap[char] = name
        if 0x80 <= code <= 0x9F:
            cmap[code] = name
    if missing:
        sys.exit("no drawing for codes " + " ".join(missing))

    fb = FontBuilder(upm, isTTF=True)
    fb.font.recalcTimestamp = False
    fb.setupGlyphOrder(glyph_order)
    fb.setupCharacterMap(cmap)
    fb.setupGlyf(glyphs)
    fb.setupHorizontalMetrics(metrics)
    hhea = deva["hhea"]
    fb.setupHorizontalHeader(ascent=hhea.ascent, descent=hhea.descent, lineGap=hhea.lineGap)
    src_names = deva["name"]
    copyright_text = (src_names.getDebugName(0) or "") + \
        " Glyphora 010 is derived from Noto Sans Devanagari for Kalamora."
    fb.setupNameTable({
        "copyright": copyright_text.strip(),
        "familyName": "Glyphora 010",
        "styleName": "Regular",
        "uniqueFontIdentifier": "Kalamora: Glyphora 010 Regular: 1.000",
        "fullName": "Glyphora 010",
        "version": "Version 1.000",
        "psName": "Glyphora010",
        "licenseDescription": "This Font Software is licensed under the SIL Open Font License, Version 1.1.",
        "licenseInfoURL": "https://openfontlicense.org",
    })
    os2 = deva["OS/2"]
    fb.setupOS2(
        sTypoAscender=os2.sTypoAscender, sTypoDescender=os2.sTypoDescender, sTypoLineGap=os2.sTypoLineGap,
        usWinAscent=os2.usWinAscent, usWinDescent=os2.usWinDescent,
        sxHeight=getattr(os2, "sxHeight", 0), sCapHeight=getattr(os2, "sCapHeight", 0),
        usWeightClass=400, fsType=0, fsSelection=0x40, achVendID="KLMR",
        ulUnicodeRange1=0x00000003, ulCodePageRange1=0x00000001,
    )
    fb.setupPost(keepGlyphNames=True)
    fb.setupHead(unitsPerEm=upm, created=FONT_DATE, modified=FONT_DATE, fontRevision=1.0)
    fb.setupMaxp()
    fb.font["head"].created = FONT_DATE
    fb.font["head"].modified = FONT_DATE
    fb.save(args.font_out)

    with open(args.font_out, "rb") as f:
        data = f.read()
    text = base64.b64encode(data).decode("ascii")
    with open(args.att_out, "w", newline="") as f:
        for i in range(0, len(text), 76):
            f.write(text[i:i + 76] + "\r\n")
    with open(args.licence, "rb") as f:
        licence = f.read()
    with open(args.licence_out, "wb") as f:
        f.write(b"Glyphora 010 is made from Noto Sans Devanagari and Noto Sans; the\n"
                b"licence of those fonts applies to it (SIL Open Font License 1.1).\n\n")
        f.write(licence)


def subscript_ra(deva, code):
    """The subscript ra as a mark under the glyph before it: "z" under its
    right stem, 0xAA centred under a round letter. The source's marks are
    drawn for a pen standing at the right edge of their base."""
    from fontTools.pens.boundsPen import BoundsPen
    pen = BoundsPen(deva.getGlyphSet())
    deva.getGlyphSet()["vattudeva"].draw(pen)
    x_min, _, x_max, _ = pen.bounds
    width = x_max - x_min
    if code == 0x7A:
        dx = 0
    else:
        dx = -250 - (x_min + width / 2)
    return [("vattudeva", dx, 0)]


if __name__ == "__main__":
    main()
