"""Makes the documents of the hidden-text tests:
  text.pdf  page 1: words set in kerned pieces (as TeX sets them), "fi" and "fl"
            ligatures whose ToUnicode entries hold two letters each, words spaced by
            letter spacing (as groff spaces them), a line running off the right edge
            and text 0.1 pt high; page 2: lines running down and up the page;
  text.ps   the same kinds of text as PostScript: letters placed one by one, ashow
            spacing, and a page printed rotated.
Usage: make_text_samples.py text.pdf text.ps"""
import sys

pdf_path, ps_path = sys.argv[1:3]

TO_UNICODE = b"""/CIDInit /ProcSet findresource begin 12 dict begin begincmap
/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def
/CMapName /Korvello-Test def /CMapType 2 def
1 begincodespacerange <00> <FF> endcodespacerange
2 beginbfchar <01> <00660069> <02> <0066006C> endbfchar
1 beginbfrange <20> <7E> <0020> endbfrange
endcmap CMapName currentdict /CMap defineresource pop end end"""

PAGE_1 = b"""BT /F1 12 Tf 72 700 Td
[(T)83(he)-333(f)30(ol)-20(lo)10(wing)-333(w)27(ords)-333(are)-333(k)15(erned)] TJ
0 -30 Td [(\\001rst)-333(\\002oor)-333(of\\001ce)] TJ
0 -30 Td (inde) Tj 3 Tc (xc) Tj 0 Tc [250 (aches)] TJ
ET
BT /F1 12 Tf 520 600 Td (Overflowing words run past the edge) Tj ET
BT /F1 0.1 Tf 72 500 Td (tiny) Tj ET
BT /F1 12 Tf 72 450 Td (Closing line) Tj ET"""

PAGE_2 = b"""BT /F1 14 Tf 0 -1 1 0 300 700 Tm (Rotated card reads downward) Tj ET
BT /F1 14 Tf 0 1 -1 0 400 200 Tm (Another reads upward) Tj ET"""


def pdf(pages):
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>", None,
               b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /ToUnicode 4 0 R"
               b" /Encoding << /Type /Encoding /Differences [1 /fi /fl] >> >>",
               b"<< /Length %d >>\nstream\n" % len(TO_UNICODE) + TO_UNICODE + b"\nendstream"]
    kids = []
    for content in pages:
        objects.append(b"<< /Length %d >>\nstream\n" % len(content) + content + b"\nendstream")
        objects.append(b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents %d 0 R"
                       b" /Resources << /Font << /F1 3 0 R >> >> >>" % len(objects))
        kids.append(b"%d 0 R" % len(objects))
    objects[1] = b"<< /Type /Pages /Kids [" + b" ".join(kids) + b"] /Count %d >>" % len(kids)
    data = b"%PDF-1.4\n"
    offsets = []
    for number, body in enumerate(objects, 1):
        offsets.append(len(data))
        data += b"%d 0 obj\n" % number + body + b"\nendobj\n"
    xref = len(data)
    data += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
    data += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
    data += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
    return data


open(pdf_path, "wb").write(pdf([PAGE_1, PAGE_2]))

open(ps_path, "w", encoding="ascii").write("""%!PS-Adobe-3.0
%%Pages: 2
%%EndComments
/Times-Roman findfont 12 scalefont setfont
%%Page: 1 1
72 700 moveto (L) show 78.8 700 moveto (e) show 84.1 700 moveto (tters) show
112 700 moveto (one) show 133 700 moveto (b) show 139.2 700 moveto (y) show 148 700 moveto (one) show
72 670 moveto (inde) show 3 0 (xc) ashow -3 0 rmoveto (aches) show
showpage
%%Page: 2 2
gsave 560 72 translate 90 rotate 0 0 moveto (Landscape card printed rotated) show grestore
showpage
%%EOF
""")
