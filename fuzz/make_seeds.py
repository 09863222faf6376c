#!/usr/bin/env python3
"""Writes the small seed corpus of the fuzz targets into fuzz/corpus/<target>/ from the
shipped rule file, the stand-in's default script and the documented examples. Run it
again after changing those; the seeds are committed."""
import os
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
corpus = os.path.join(root, "fuzz", "corpus")


def write(target, name, data):
    folder = os.path.join(corpus, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


shipped = open(os.path.join(root, "converter", "langmap.txt"), "rb").read()
standin_run = (
    "Korvello 1.0 (stand-in) converting the document\r\n"
    "Processing pages 1 through 5.\r\nPage 1\r\nPage 2\r\n"
    "   **** Warning: The font Helv is not embedded.\r\n"
    "   A substitute font is used for it.\r\n   The output may look different.\r\n"
    "Page 3\r\n   **** This file had errors that were repaired or ignored.\r\n"
    "Page 4\r\nError: /undefinedresource in findresource\r\nPage 5\r\n"
    "Loading the colour profile for the page.\r\nConversion done.\r\n")
messages = ["process_success 12", "process_error 3", "process_canceled",
            "Warning: The font Helv is not embedded. A substitute font is used for it.",
            "Error: /undefinedresource in findresource", "Page 2"]

# Rule file + one message (after the last line break).
for i, message in enumerate(messages):
    write("rules", f"shipped-{i}", shipped + b"\n" + message.encode())
write("rules", "readme-example", "expression=process_success (\\d+)\ntype=info\n"
      "default=Conversion took %1 seconds.\nja=変換にかかった時間: %1 秒\nprocess_success 7")
write("rules", "named-groups", "expression=(?<a>x)(y)?\r\ntype=warn\r\ndefault=%1-%2-%3%%%n\nxz")
# Patterns the first-byte filter once misread; each message is matched by its rule.
for name, pattern, message in [("inline-option", "(?i)warning|fatal", "Fatal: disk full"),
                               ("optional-interval", "a{2}?b", "b"), ("swapped-interval", "x{3,0}y", "y"),
                               ("braces-as-text", "^{1,2,3}x", "{1,2,3}x")]:
    write("rules", name, f"expression={pattern}\ntype=warn\ndefault=shown\n{message}")
# Pattern choices: bytes that the pattern target reads as a sequence of choices. The
# folder also keeps inputs that the target once found against an earlier first-byte
# filter ("found-..."): an inline option across "|", intervals read wrongly.
write("patterns", "counting", bytes(range(256)))
write("patterns", "descending", bytes(range(255, -1, -1)))
write("patterns", "sevens", bytes((7 * k) % 256 for k in range(512)))
write("rules", "nul-and-misspelt", b"expression=ab\x00c\ntype=Warn\ndefault=t\nexpression=a\ntype=error\ndefault=e\nabc")

# Templates (with insert bytes at the end, which the target reads first).
for i, t in enumerate(["Finished in %1 seconds.", "Now processing page %1!d!/%2!d!...",
                       "%1!*.*s! %2!-10u! %3!#x!%%%n%0", "%1!hs!%2!lc!%3!I64d!", "100%", "%1!5"]):
    write("template", f"t{i}", t.encode() + b"\x03\x01\x00\x00\x00\x02")

# Converter output (the first bytes choose read lengths).
write("output", "standin-default", b"\x05\x03\x07\x01\x02\x40" + standin_run.encode())
write("output", "line-ends", b"\x02\x01\x01" + b"a\rb\nc\r\nd\n\ne\r\r\nf\x00g\r\n\rPage 7\n   cont\n")
write("output", "japanese", b"\x03\x02" + "ページ\r\n   **** Warning: 警告\r\n   続き\r\n".encode())

# Parameter texts.
for i, t in enumerate(['--dpi=600 --title="My Document" -q', '"--title=My Document" in.pdf out.djvu',
                       '--a="x\\\\" --b="q\\"q" "c:\\path with\\" \t--force', '--unclosed="abc']):
    write("params", f"p{i}", t)

# REG_MULTI_SZ values (UTF-16LE).
def multi(entries, terminated=True):
    data = "".join(e + "\0" for e in entries) + ("\0" if terminated else "")
    return data.encode("utf-16-le")
write("multistring", "three", multi(["--dpi=300", "--a --b", "--title=\"x y\""]))
write("multistring", "unterminated", multi(["--dpi=300", "--last"], False)[:-2])
write("multistring", "eleven", multi([f"--n={k}" for k in range(11)] + ["--n=1"]))
