#!/usr/bin/env python3
"""Compares a DjVu's hidden text with the words pdftotext finds in the source.

Usage: text_compare.py <name> <pdftotext -bbox output> <pages file> <dpi>

The pages file holds one djvutxt -detail=word expression per page, each on its own
lines and ended by a line "#end"; a page djvutxt could not read is the line
"#unreadable" instead. Prints "figure" lines: the share of pdftotext's words found
with the same letters (word recall), the share of found words whose box lies within
6 pt of pdftotext's on every side, the pages with unreadable text and the CJK
characters of the text.
"""
import html
import re
import sys
import unicodedata

WORD = re.compile(r'\(word\s+(-?\d+)\s+(-?\d+)\s+(-?\d+)\s+(-?\d+)\s+"((?:[^"\\]|\\.)*)"')
PAGE = re.compile(r'\(page\s+-?\d+\s+-?\d+\s+(\d+)\s+(\d+)')
REFERENCE_PAGE = re.compile(r'<page width="([\d.]+)" height="([\d.]+)">(.*?)</page>', re.S)
REFERENCE_WORD = re.compile(
    r'<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">(.*?)</word>', re.S)
TOLERANCE = 6.0


def normal(text):
    text = unicodedata.normalize("NFKC", text)
    return "".join(c for c in text if c not in "\u00ad\u200b\ufeff" and c >= " ")


def unescape(text):
    """A djvutxt string's contents: octal escapes are bytes of UTF-8."""
    data = bytearray()
    at = 0
    while at < len(text):
        c = text[at]
        if c != "\\" or at + 1 == len(text):
            data += c.encode("utf-8")
            at += 1
            continue
        octal = re.match(r"[0-7]{1,3}", text[at + 1:at + 4])
        if octal:
            data.append(int(octal.group(0), 8) & 0xFF)
            at += 1 + len(octal.group(0))
        else:
            data += {"n": "\n", "t": "\t"}.get(text[at + 1], text[at + 1]).encode("utf-8")
            at += 2
    return data.decode("utf-8", "replace")


def reference_pages(path):
    with open(path, encoding="utf-8", errors="replace") as file:
        source = file.read()
    pages = []
    for match in REFERENCE_PAGE.finditer(source):
        words = []
        for w in REFERENCE_WORD.finditer(match.group(3)):
            text = normal(html.unescape(w.group(5)))
            if text.strip():
                words.append((text, tuple(float(w.group(i)) for i in range(1, 5))))
        pages.append(words)
    return pages


def djvu_pages(path, dpi):
    pages = []
    current = []
    with open(path, encoding="utf-8", errors="replace") as file:
        for line in file:
            if line.startswith("#unreadable"):
                pages.append(None)
                current = []
            elif line.startswith("#end"):
                pages.append(words_of("".join(current), dpi))
                current = []
            else:
                current.append(line)
    return pages


def words_of(expression, dpi):
    size = PAGE.search(expression)
    height = int(size.group(2)) if size else 0
    scale = 72.0 / dpi
    words = []
    for w in WORD.finditer(expression):
        x0, y0, x1, y1 = (int(w.group(i)) for i in range(1, 5))
        box = (x0 * scale, (height - y1) * scale, x1 * scale, (height - y0) * scale)
        words.append((normal(unescape(w.group(5))), box))
    return words


def compare(reference, found):
    """(reference words, matched words, boxes within the tolerance)"""
    total = matched = close = 0
    for want, have in zip(reference, found):
        total += len(want)
        if not have:
            continue
        pool = {}
        for text, box in have:
            pool.setdefault(text, []).append(box)
        for text, box in want:
            boxes = pool.get(text)
            if not boxes:
                continue
            centre = ((box[0] + box[2]) / 2, (box[1] + box[3]) / 2)
            best = min(range(len(boxes)), key=lambda i: abs((boxes[i][0] + boxes[i][2]) / 2 - centre[0])
                       + abs((boxes[i][1] + boxes[i][3]) / 2 - centre[1]))
            other = boxes.pop(best)
            matched += 1
            if max(abs(a - b) for a, b in zip(box, other)) <= TOLERANCE:
                close += 1
    for want in reference[len(found):]:
        total += len(want)
    return total, matched, close


def cjk_characters(found):
    """Kana, ideographs and hangul (not CJK punctuation, which NFKC makes of some
    Western brackets)."""
    count = 0
    for page in found:
        for text, _ in page or []:
            count += sum(1 for c in text if "\u3040" <= c <= "\u30ff" or "\u3400" <= c <= "\u9fff"
                         or "\uac00" <= c <= "\ud7af" or "\uf900" <= c <= "\ufaff")
    return count


def main():
    name, reference_path, pages_path, dpi = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    reference = reference_pages(reference_path)
    found = djvu_pages(pages_path, dpi)
    total, matched, close = compare(reference, found)
    unreadable = sum(1 for page in found if page is None)
    recall = matched / total if total else 1.0
    boxes = close / matched if matched else 0.0
    print(f"{name}: {len(reference)} pages ({len(found)} in the DjVu), {total} words, {matched} found, "
          f"{close} boxed within {TOLERANCE:g} pt")
    print(f"figure text_word_recall_{name} {recall:.3f} share")
    print(f"figure text_box_share_{name} {boxes:.3f} share")
    print(f"figure text_unreadable_pages_{name} {unreadable} pages")
    print(f"figure text_cjk_chars_{name} {cjk_characters(found)} chars")


if __name__ == "__main__":
    main()
