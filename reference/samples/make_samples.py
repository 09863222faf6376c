"""Makes the derived samples from sample.ps and the PDF ps2pdf made of it:
  damaged.pdf  the PDF with a broken stream length and a wrong startxref offset,
               damage the renderer repairs with warnings;
  long.ps      the pages of sample.ps twenty times over (100 pages), for runs that
               must last (stopping, measurements);
  wide.ps      one page 125 inches wide, too wide for DjVu at 300 dpi.
Usage: make_samples.py sample.ps sample.pdf damaged.pdf long.ps wide.ps"""
import sys

source, pdf, damaged, long_ps, wide_ps = sys.argv[1:6]

data = open(pdf, "rb").read()
data = data.replace(b"/Length", b"/Lenxth", 1)
end = data.rfind(b"startxref")
open(damaged, "wb").write(data[:end] + b"startxref\n999\n%%EOF\n")

text = open(source, encoding="ascii").read()
body = text[text.index("%%EndComments") + len("%%EndComments"):text.rindex("%%EOF")]
header = text[:text.index("%%EndComments")].replace("%%Pages: 5", "%%Pages: 100")
open(long_ps, "w", encoding="ascii").write(header + "%%EndComments\n" + body * 20 + "%%EOF\n")

open(wide_ps, "w", encoding="ascii").write(
    "%!PS-Adobe-3.0\n%%Pages: 1\n%%EndComments\n"
    "<< /PageSize [9000 300] >> setpagedevice\n"
    "/Times-Roman findfont 48 scalefont setfont 72 120 moveto (A banner too wide for DjVu at 300 dpi) show\n"
    "showpage\n%%EOF\n")
