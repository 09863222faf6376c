"""Writes a damaged copy of a PDF: a broken stream length and a wrong startxref
offset, damage the renderer repairs with warnings."""
import sys

data = open(sys.argv[1], "rb").read()
data = data.replace(b"/Length", b"/Lenxth", 1)
end = data.rfind(b"startxref")
data = data[:end] + b"startxref\n999\n%%EOF\n"
open(sys.argv[2], "wb").write(data)
