#!/usr/bin/env python3
"""Text fidelity of the .docx reader against pandoc's reading of the same files.

For every .docx in the corpus: the words of pandoc's document body (its JSON
AST: every Str, notes and tables included; image descriptions, table
captions and math, which pandoc gives as TeX, left out) against the words of the HTML that
corvane-cli writes; and each list item and table row pandoc finds, looked for
as one <li> or one table paragraph of ours holding its words. Words with a
character the ANSI code page (Windows-1252) cannot hold are counted apart:
the HTML carries "?" for them by design. List items in table cells are not
counted as items (our table row is one paragraph; their words count in the row).

Usage: bench/docx-fidelity.py [--cli build/native/corvane-cli] [--corpus DIR] [--worst N]
"""
import argparse
import collections
import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

WORD = re.compile(r"\w+", re.UNICODE)


def default_corpus(root):
    for candidate in (os.path.join(root, "..", "shared", "corpus", "docx"), os.path.join(root, "tests", "corpus", "docx")):
        if os.path.isdir(candidate):
            return os.path.normpath(candidate)
    return None


def ansi_ok(word):
    try:
        word.encode("cp1252")
        return True
    except UnicodeEncodeError:
        return False


def words_of(text):
    return WORD.findall(text)


BLOCKS = {"Para", "Plain", "Header", "CodeBlock", "BlockQuote", "Div", "LineBlock", "RawBlock"}


def stringify(node, out, skip_notes=False):
    """Appends the visible text of a pandoc AST node to out (a list of strings).

    Left out: image descriptions and table captions (alternative text, not
    shown in the body) and math, which pandoc turns into TeX commands."""
    if isinstance(node, dict):
        kind = node.get("t")
        if kind == "Str":
            out.append(node["c"])
        elif kind in ("Space", "SoftBreak", "LineBreak"):
            out.append(" ")
        elif kind in ("Image", "Math") or (kind == "Note" and skip_notes):
            out.append(" ")
        elif kind == "DefinitionList":
            for term, definitions in node["c"]:
                stringify(term, out, skip_notes)
                out.append(" ")
                stringify(definitions, out, skip_notes)
                out.append(" ")
        elif kind in ("Code", "CodeBlock", "RawBlock"):
            out.append(" " + node["c"][1] + " ")
        elif kind == "Table":
            stringify(node["c"][3:], out, skip_notes)
        elif "c" in node:
            if kind == "Note":
                out.append(" ")
            stringify(node["c"], out, skip_notes)
        if kind in BLOCKS or kind in ("Note", "Table"):
            out.append(" ")
    elif isinstance(node, list):
        for item in node:
            stringify(item, out, skip_notes)


def text_of(node, skip_notes=False):
    parts = []
    stringify(node, parts, skip_notes)
    return "".join(parts)


def collect_structure(node, items, rows):
    """List items (their first block's text) and table rows (all cells' text)."""
    if isinstance(node, dict):
        kind = node.get("t")
        if kind in ("BulletList", "OrderedList"):
            # An item's own text is its first paragraph; one that opens with a
            # nested list has none (the nested items count for themselves).
            for item in node["c"] if kind == "BulletList" else node["c"][1]:
                first = item[0] if item else {}
                if first.get("t") in ("Para", "Plain"):
                    items.append(text_of(first["c"], skip_notes=True))
                elif first.get("t") == "Header":
                    items.append(text_of(first["c"][2], skip_notes=True))
        elif kind == "DefinitionList":
            pass
        elif kind == "Table":
            # pandoc 2.10+: [attr, caption, colspecs, head, bodies, foot]
            content = node["c"]
            head, bodies, foot = content[3], content[4], content[5]
            all_rows = list(head[1])
            for body in bodies:
                all_rows += body[2] + body[3]
            all_rows += foot[1]
            for row in all_rows:
                rows.append(text_of([cell[4] for cell in row[1]]))
            # A table row is one paragraph of ours: lists in cells are rows' text.
            return
        if "c" in node:
            collect_structure(node["c"], items, rows)
    elif isinstance(node, list):
        for item in node:
            collect_structure(item, items, rows)


def our_blocks(html_bytes):
    text = html_bytes.decode("cp1252", errors="replace")
    body = text[text.find("<body>") + 6:]
    blocks = []
    for match in re.finditer(r"<(li|p)>(.*?)</\1>", body, re.S):
        inner = re.sub(r"<[^>]+>", " ", match.group(2))
        blocks.append((match.group(1), html.unescape(inner)))
    return blocks


def contains(block_words, wanted):
    return all(block_words[w] >= n for w, n in wanted.items())


def pandoc_ast(source, name, cache):
    cached = os.path.join(cache, name + ".json") if cache else None
    if cached and os.path.exists(cached):
        with open(cached, "rb") as f:
            data = f.read()
    else:
        result = subprocess.run(["pandoc", "-f", "docx", "-t", "json", source], capture_output=True)
        data = result.stdout if result.returncode == 0 else b""
        if cached:
            os.makedirs(cache, exist_ok=True)
            with open(cached, "wb") as f:
                f.write(data)
    try:
        return json.loads(data) if data else None
    except json.JSONDecodeError:
        return None


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", default=os.path.join(root, "build", "native", "corvane-cli"))
    parser.add_argument("--corpus", default=default_corpus(root))
    parser.add_argument("--worst", type=int, default=15)
    parser.add_argument("--pandoc-cache", help="folder keeping pandoc's readings between runs")
    args = parser.parse_args()
    if not args.corpus or not os.path.isdir(args.corpus):
        sys.exit("docx-fidelity: no corpus folder (give --corpus)")
    if not shutil.which("pandoc"):
        sys.exit("docx-fidelity: pandoc is not installed (scripts/install-deps.sh)")

    names = sorted(n for n in os.listdir(args.corpus) if n.lower().endswith((".docx", ".docm")))
    totals = collections.Counter()
    per_file = []
    structure_misses = []
    extras = []
    with tempfile.TemporaryDirectory() as work:
        for name in names:
            shutil.copy(os.path.join(args.corpus, name), work)
        subprocess.run([args.cli, work], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for name in names:
            source = os.path.join(work, name)
            ast = pandoc_ast(source, name, args.pandoc_cache)
            if ast is None:
                totals["pandoc_failed"] += 1
                continue
            oracle = [w for w in words_of(text_of(ast["blocks"]))]
            wanted = collections.Counter(w for w in oracle if ansi_ok(w))
            totals["non_ansi_words"] += sum(1 for w in oracle if not ansi_ok(w))
            output = os.path.splitext(source)[0] + ".html"
            if not os.path.exists(output):
                totals["not_converted"] += 1
                per_file.append((0.0, name, sum(wanted.values()), 0, "not converted"))
                totals["words"] += sum(wanted.values())
                continue
            with open(output, "rb") as f:
                blocks = our_blocks(f.read())
            ours = collections.Counter(w for _, text in blocks for w in words_of(text))
            found = sum(min(n, ours[w]) for w, n in wanted.items())
            total = sum(wanted.values())
            totals["words"] += total
            totals["found"] += found
            # Words of ours beyond the oracle's count: text written twice shows here.
            extra = sum(n for w, n in (ours - wanted).items() if ansi_ok(w))
            totals["extra"] += extra
            if extra:
                extras.append((extra, name, " ".join(list((ours - wanted).keys())[:8])))

            items, rows = [], []
            collect_structure(ast["blocks"], items, rows)
            li_words = [collections.Counter(words_of(t)) for kind, t in blocks if kind == "li"]
            p_words = [collections.Counter(words_of(t)) for kind, t in blocks if kind == "p"]
            missed = []
            for item in items:
                need = collections.Counter(w for w in words_of(item) if ansi_ok(w))
                if not need:
                    continue
                totals["items"] += 1
                if any(contains(b, need) for b in li_words):
                    totals["items_found"] += 1
                else:
                    missed.append("item: " + item.strip()[:60])
            for row in rows:
                need = collections.Counter(w for w in words_of(row) if ansi_ok(w))
                if not need:
                    continue
                totals["rows"] += 1
                if any(contains(b, need) for b in p_words + li_words):
                    totals["rows_found"] += 1
                else:
                    missed.append("row: " + row.strip()[:60])
            if missed:
                structure_misses.append((name, missed))
            share = found / total if total else 1.0
            lost = [w for w, n in (wanted - ours).items()][:8]
            per_file.append((share, name, total, found, "; ".join(missed[:3]) or " ".join(lost)))

    def pct(a, b):
        return 100.0 * a / b if b else 100.0

    print(f"files: {len(names)}  not converted: {totals['not_converted']}  "
          f"pandoc failed: {totals['pandoc_failed']}")
    print(f"words: {totals['found']}/{totals['words']} = {pct(totals['found'], totals['words']):.3f} %"
          f"  (plus {totals['non_ansi_words']} words outside Windows-1252, not counted)")
    print(f"words of ours beyond pandoc's: {totals['extra']}")
    print(f"list items: {totals['items_found']}/{totals['items']} = "
          f"{pct(totals['items_found'], totals['items']):.2f} %")
    print(f"table rows: {totals['rows_found']}/{totals['rows']} = "
          f"{pct(totals['rows_found'], totals['rows']):.2f} %")
    print(f"worst {args.worst} files (share of words, words, what is missing):")
    for share, name, total, found, note in sorted(per_file)[:args.worst]:
        print(f"  {100 * share:6.2f} %  {found}/{total}  {name}  {note[:150]}")
    print(f"most words beyond pandoc's:")
    for extra, name, sample in sorted(extras, reverse=True)[:args.worst]:
        print(f"  {extra}  {name}  {sample[:120]}")
    if structure_misses:
        print("list items and table rows not found:")
        for name, missed in structure_misses[:args.worst]:
            print(f"  {name}: {len(missed)}: {'; '.join(missed[:3])[:150]}")


if __name__ == "__main__":
    main()
