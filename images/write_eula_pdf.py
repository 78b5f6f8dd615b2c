#!/usr/bin/env python3
"""Writes resources/Eula.pdf from resources/Eula.txt.

Only the standard library is used: the PDF objects are written by hand with
the base-14 fonts Helvetica and Helvetica-Bold (which every PDF viewer has,
so nothing is embedded), the text is wrapped with the Helvetica glyph widths
and the cross-reference table records the byte offset of every object.

The first paragraph of the text file is the title (its parts around " - "
go on separate lines); every later paragraph is one block of body text.

Run:  python3 images/write_eula_pdf.py
"""

import os

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE = os.path.join(ROOT, "resources", "Eula.txt")
TARGET = os.path.join(ROOT, "resources", "Eula.pdf")

PAGE_W, PAGE_H = 595, 842          # A4 in points
MARGIN_X, MARGIN_TOP, MARGIN_BOTTOM = 64, 72, 72
BODY_SIZE, BODY_LEADING, PARA_GAP = 10.5, 14.5, 7.0
TITLE_SIZE, TITLE_LEADING = 15.0, 20.0
FOOTER_SIZE = 8.5

# Helvetica advance widths (1/1000 em) for codes 32..126, WinAnsiEncoding.
HELVETICA = [
    278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556,
    1015, 667, 667, 722, 722, 667, 611, 778, 722, 278, 500, 667, 556, 833, 722, 778,
    667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469, 556,
    333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556,
    556, 556, 333, 500, 278, 556, 500, 722, 500, 500, 500, 334, 260, 334, 584,
]


def text_width(text, size):
    total = 0
    for ch in text:
        code = ord(ch)
        total += HELVETICA[code - 32] if 32 <= code <= 126 else 556
    return total * size / 1000.0


def wrap(paragraph, size, width):
    """Greedy word wrap; a word longer than the line stands alone."""
    lines, line = [], ""
    for word in paragraph.split():
        candidate = word if not line else line + " " + word
        if line and text_width(candidate, size) > width:
            lines.append(line)
            line = word
        else:
            line = candidate
    if line:
        lines.append(line)
    return lines


def pdf_string(text):
    out = text.replace("\\", "\\\\").replace("(", "\\(").replace(")", "\\)")
    return "(" + out.encode("latin-1", "replace").decode("latin-1") + ")"


def read_paragraphs(path):
    with open(path, encoding="utf-8") as f:
        blocks = f.read().replace("\r\n", "\n").split("\n\n")
    return [" ".join(b.split()) for b in blocks if b.strip()]


def layout(paragraphs):
    """Returns the pages, each a list of (font, size, x, y, text)."""
    usable = PAGE_W - 2 * MARGIN_X
    pages, page = [], []
    y = PAGE_H - MARGIN_TOP

    def new_page():
        nonlocal page, y
        pages.append(page)
        page = []
        y = PAGE_H - MARGIN_TOP

    for part in paragraphs[0].split(" - "):
        y -= TITLE_LEADING
        page.append(("F2", TITLE_SIZE, MARGIN_X, y, part.strip()))
    y -= TITLE_LEADING * 0.6

    for para in paragraphs[1:]:
        lines = wrap(para, BODY_SIZE, usable)
        # keep at least two lines of a paragraph together at a page foot
        if y - min(2, len(lines)) * BODY_LEADING < MARGIN_BOTTOM:
            new_page()
        for line in lines:
            if y - BODY_LEADING < MARGIN_BOTTOM:
                new_page()
            y -= BODY_LEADING
            page.append(("F1", BODY_SIZE, MARGIN_X, y, line))
        y -= PARA_GAP
    pages.append(page)
    return pages


def content_stream(items, number, count):
    ops = ["BT"]
    for font, size, x, y, text in items:
        ops.append("/%s %.1f Tf 1 0 0 1 %.2f %.2f Tm %s Tj" % (font, size, x, y, pdf_string(text)))
    footer = "Corvane Mail Converter - End-User Licence Agreement - page %d of %d" % (number, count)
    fx = (PAGE_W - text_width(footer, FOOTER_SIZE)) / 2.0
    ops.append("/F1 %.1f Tf 0.45 g 1 0 0 1 %.2f %.2f Tm %s Tj" % (FOOTER_SIZE, fx, 40.0, pdf_string(footer)))
    ops.append("ET")
    ops.append("0.75 G 0.5 w %d %d m %d %d l S" % (MARGIN_X, 54, PAGE_W - MARGIN_X, 54))
    return ("\n".join(ops) + "\n").encode("latin-1")


def build_pdf(pages):
    objects = []   # bodies, object number = index + 1

    def add(body):
        objects.append(body)
        return len(objects)

    catalog = add(None)
    pages_obj = add(None)
    font1 = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>")
    font2 = add(b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold /Encoding /WinAnsiEncoding >>")
    info = add(b"<< /Title (Corvane Mail Converter - End-User Licence Agreement) /Author (Corvane) "
               b"/Producer (write_eula_pdf.py) >>")
    kids = []
    for n, items in enumerate(pages, 1):
        data = content_stream(items, n, len(pages))
        stream = add(b"<< /Length %d >>\nstream\n" % len(data) + data + b"endstream")
        kids.append(add(("<< /Type /Page /Parent %d 0 R /MediaBox [0 0 %d %d] "
                         "/Resources << /Font << /F1 %d 0 R /F2 %d 0 R >> >> /Contents %d 0 R >>"
                         % (pages_obj, PAGE_W, PAGE_H, font1, font2, stream)).encode("ascii")))
    objects[catalog - 1] = ("<< /Type /Catalog /Pages %d 0 R >>" % pages_obj).encode("ascii")
    objects[pages_obj - 1] = ("<< /Type /Pages /Kids [%s] /Count %d >>"
                              % (" ".join("%d 0 R" % k for k in kids), len(kids))).encode("ascii")

    out = bytearray(b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n")
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(out))
        out += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(out)
    out += b"xref\n0 %d\n" % (len(objects) + 1)
    out += b"0000000000 65535 f \n"
    for off in offsets:
        out += b"%010d 00000 n \n" % off
    out += (b"trailer\n<< /Size %d /Root %d 0 R /Info %d 0 R >>\nstartxref\n%d\n%%%%EOF\n"
            % (len(objects) + 1, catalog, info, xref))
    return bytes(out)


def main():
    pages = layout(read_paragraphs(SOURCE))
    data = build_pdf(pages)
    with open(TARGET, "wb") as f:
        f.write(data)
    print("%s: %d pages, %d bytes" % (TARGET, len(pages), len(data)))


if __name__ == "__main__":
    main()
