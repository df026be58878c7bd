"""Cuts the web preview's WOFF2 font out of the installed fixed-pitch CJK font.

    web_font.py CHARS_TOOL FONT_FILE FACE_INDEX FAMILY OUT

CHARS_TOOL prints the characters to keep ("U+XXXX" lines). The report's columns line up only
when every character a Big5 pair decodes to is exactly two ASCII advances wide; the font
draws a few of them (Greek, some accents and signs) narrower, so those are widened to two
columns with the outline centred. Fails, leaving no OUT, when a width is still not right.
"""

import os
import subprocess
import sys

from fontTools import subset
from fontTools.pens.t2CharStringPen import T2CharStringPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont


def widen(font, glyph, width):
    advance, lsb = font["hmtx"][glyph]
    shift = (width - advance) // 2
    charstrings = font["CFF "].cff.topDictIndex[0].CharStrings
    old = charstrings[glyph]
    pen = T2CharStringPen(width, None)
    font.getGlyphSet()[glyph].draw(TransformPen(pen, (1, 0, 0, 1, shift, 0)))
    # Same charstring object: it keeps its place in the CID font's private dictionaries.
    old.program = pen.getCharString(private=old.private, globalSubrs=old.globalSubrs).program
    font["hmtx"][glyph] = (width, lsb + shift)


def main(chars_tool, font_file, face_index, family, out):
    # The source font's own date, not the build's: the same font makes the same bytes.
    font = TTFont(font_file, fontNumber=int(face_index), recalcTimestamp=False)
    if font["name"].getDebugName(1) != family:
        sys.exit(f"{font_file} face {face_index} is {font['name'].getDebugName(1)}, not {family}")
    listed = subprocess.run([chars_tool], check=True, capture_output=True, text=True).stdout
    chars = [int(line[2:], 16) for line in listed.split()]

    options = subset.Options()
    # Substitutions and positioning could give a character another width than its advance.
    options.layout_features = []
    options.drop_tables += ["GSUB", "GPOS", "vhea", "vmtx", "VORG"]
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=chars)
    subsetter.subset(font)

    cmap = font.getBestCmap()
    hmtx = font["hmtx"]
    ascii_widths = {hmtx[cmap[c]][0] for c in range(0x20, 0x7F) if c in cmap}
    if len(ascii_widths) != 1 or any(c not in cmap for c in range(0x20, 0x7F)):
        sys.exit(f"printable ASCII incomplete or not of one width: {sorted(ascii_widths)}")
    wide = 2 * ascii_widths.pop()
    narrow = sorted({g for c, g in cmap.items() if c >= 0x80 and hmtx[g][0] != wide})
    for glyph in narrow:
        widen(font, glyph, wide)
    wrong = [hex(c) for c, g in cmap.items() if c >= 0x80 and hmtx[g][0] != wide]
    if wrong:
        sys.exit(f"characters not two columns wide: {wrong}")

    font.flavor = "woff2"
    partial = out + ".part"
    font.save(partial)
    os.replace(partial, out)
    print(f"{out}: {len(cmap)} characters, {len(narrow)} glyphs widened, "
          f"{os.path.getsize(out)} bytes")


if __name__ == "__main__":
    main(*sys.argv[1:])
