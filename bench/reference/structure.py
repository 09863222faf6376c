#!/usr/bin/env python3
"""The book's structure carried over: a PDF's outline (titles, nesting, target pages) and
page labels against the DjVu's outline and page titles (djvused), and its information
against the DjVu's metadata. Page labels are worked out here from the PDF's label ranges,
apart from the converter's reading of them.

Usage: structure.py document.pdf document.djvu
Prints a line per document and "figure structure_<name> <share> x": the outline entries
and page labels found alike in the DjVu, over those of the PDF (1.00: all of them).
Prints nothing for a document with neither an outline nor labels."""
import json
import re
import subprocess
import sys


def qpdf(pdf, *keys):
    out = subprocess.run(["qpdf", "--json=2", *keys, pdf], capture_output=True, text=True).stdout
    return json.loads(out)


def pdf_text(value):
    if value.startswith("u:"):
        return value[2:]
    if value.startswith("b:"):
        return bytes.fromhex(value[2:]).decode("latin-1")
    return value


def roman(n):
    out = ""
    for value, digits in ((1000, "m"), (900, "cm"), (500, "d"), (400, "cd"), (100, "c"), (90, "xc"), (50, "l"),
                          (40, "xl"), (10, "x"), (9, "ix"), (5, "v"), (4, "iv"), (1, "i")):
        while n >= value:
            out += digits
            n -= value
    return out


def labels_of(report, pages):
    """Each page's label from the label ranges (None before the first range)."""
    ranges = sorted(report.get("pagelabels", []), key=lambda r: r["index"])
    labels = [None] * pages
    for i, entry in enumerate(ranges):
        end = ranges[i + 1]["index"] if i + 1 < len(ranges) else pages
        label = entry["label"]
        style, prefix, start = label.get("/S"), pdf_text(label.get("/P", "u:")), label.get("/St", 1)
        for page in range(entry["index"], min(end, pages)):
            n = start + page - entry["index"]
            if style == "/D":
                text = str(n)
            elif style in ("/r", "/R"):
                text = roman(n) if style == "/r" else roman(n).upper()
            elif style in ("/a", "/A"):
                letter = chr((ord("a") if style == "/a" else ord("A")) + (n - 1) % 26)
                text = letter * ((n - 1) // 26 + 1)
            else:
                text = ""
            labels[page] = prefix + text
    return labels


def pdf_outline(report):
    page_of = {p["object"]: p["pageposfrom1"] for p in report["pages"]}
    flat = []

    def walk(items, depth):
        for item in items:
            page = item.get("destpageposfrom1")
            dest = item.get("dest")
            if page is None and isinstance(dest, dict):
                dest = dest.get("/D")
            if page is None and isinstance(dest, list) and dest:
                page = page_of.get(dest[0])
            flat.append((depth, item["title"], page))
            walk(item["kids"], depth + 1)
    walk(report["outlines"], 0)
    return flat


def sexp_tokens(text):
    """Tokens of djvused's output: "(", ")" and strings (escapes resolved)."""
    for match in re.finditer(r'\(|\)|"((?:[^"\\]|\\.)*)"|[^\s()"]+', text, re.S):
        token = match.group(0)
        if token in "()":
            yield token
        elif token.startswith('"'):
            raw = match.group(1).encode("utf-8")
            out = bytearray()
            i = 0
            while i < len(raw):
                if raw[i] == 0x5C and i + 1 < len(raw):
                    nxt = raw[i + 1:i + 4]
                    if re.match(rb"[0-7]{3}", nxt):
                        out.append(int(nxt, 8))
                        i += 4
                        continue
                    out.append({ord("n"): 10, ord("t"): 9, ord("r"): 13}.get(raw[i + 1], raw[i + 1]))
                    i += 2
                    continue
                out.append(raw[i])
                i += 1
            yield ("str", out.decode("utf-8", "replace"))
        else:
            yield ("sym", token)


def djvu_outline(djvu, page_of_id):
    text = subprocess.run(["djvused", "-u", "-e", "print-outline", djvu], capture_output=True, text=True).stdout
    tokens = list(sexp_tokens(text))
    flat = []
    pos = 0

    def entry(depth):
        nonlocal pos
        pos += 1  # "("
        title = tokens[pos][1]
        target = tokens[pos + 1][1]
        pos += 2
        page = page_of_id.get(target[1:]) if target.startswith("#") else None
        flat.append((depth, title, page))
        while tokens[pos] == "(":
            entry(depth + 1)
        pos += 1  # ")"
    if tokens:
        pos = 2  # "(" bookmarks
        while pos < len(tokens) and tokens[pos] == "(":
            entry(0)
    return flat


def djvu_pages(djvu):
    """Page ids in order and their titles (None for a page without one)."""
    ids, titles = [], []
    for line in subprocess.run(["djvused", "-u", "-e", "ls", djvu], capture_output=True, text=True).stdout.splitlines():
        match = re.match(r"\s*\d+\s+P\s+\d+\s+(\S+)(?:\s+T=(.*))?$", line)
        if match:
            ids.append(match.group(1))
            titles.append(match.group(2))
    return ids, titles


def main():
    pdf, djvu = sys.argv[1], sys.argv[2]
    report = qpdf(pdf, "--json-key=pages", "--json-key=outlines", "--json-key=pagelabels")
    ids, titles = djvu_pages(djvu)
    expected_outline = pdf_outline(report)
    labels = labels_of(report, len(report["pages"]))
    labelled = [i for i, label in enumerate(labels) if label]
    if not expected_outline and not labelled:
        return
    found_outline = djvu_outline(djvu, {page_id: i + 1 for i, page_id in enumerate(ids)})
    outline_alike = sum(1 for a, b in zip(expected_outline, found_outline) if a == b)
    labels_alike = sum(1 for i in labelled if i < len(titles) and titles[i] == labels[i])
    unlabelled_kept = sum(1 for i, label in enumerate(labels) if not label and i < len(titles) and titles[i] is None)
    info = qpdf(pdf, "--json-key=qpdf", "--json-object=trailer")["qpdf"][1]["trailer"]["value"].get("/Info")
    meta = subprocess.run(["djvused", "-u", "-e", "print-meta", djvu], capture_output=True, text=True).stdout
    meta_keys = sorted(line.split("\t")[0] for line in meta.splitlines() if "\t" in line)
    total = len(expected_outline) + len(labelled)
    share = (outline_alike + labels_alike) / total
    name = re.sub(r"[^A-Za-z0-9]", "_", pdf.rsplit("/", 1)[-1].rsplit(".", 1)[0])
    print(f"{djvu} against {pdf}: outline {outline_alike}/{len(expected_outline)} entries alike (DjVu {len(found_outline)}), "
          f"labels {labels_alike}/{len(labelled)} (pages without a label and without a title "
          f"{unlabelled_kept}/{len(labels) - len(labelled)}), metadata {', '.join(meta_keys) or 'none'}"
          f"{'' if info else ' (the PDF has no information)'}")
    print(f"figure structure_{name} {share:.2f} x")


if __name__ == "__main__":
    main()
