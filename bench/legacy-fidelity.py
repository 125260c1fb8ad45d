#!/usr/bin/env python3
"""Text fidelity of the legacy readers (.doc first) against LibreOffice's reading.

For every file of a folder (default: the shared corpus's doc/ folder; any
format LibreOffice opens will do: .doc, .xls, .wpd, .wps, .html ...), one
soffice process converts the whole batch to HTML; its body gives the oracle's
words, list items (<li>) and table rows (<tr>). corvane-cli converts the same
files twice, classic and --utf8, and for each output we count:

  - the oracle's words found in ours (multiset match; tokens made of digits
    only, such as list labels and note marks, are ignored on both sides). In
    the classic output, words holding a character that Windows-1252 cannot
    hold are counted apart: that output carries "?" for them by design;
  - list items of the oracle found as one <li> of ours holding all their
    words, and table rows found as one <p> or <li> of ours holding all their
    cells' words (our table row is one paragraph; list items inside table
    cells count in their row, not as items);
  - words of ours beyond the oracle's (text written twice shows here).

Left out of the oracle's words, as our design drops them: headers and
footers (LibreOffice puts them in <div title="header"> / <div title="footer">),
comments (it writes them as HTML comments), image alternative text (an
attribute) and form controls. Footnotes and endnotes are kept (we write them
after the body).

Files we did not convert are listed with corvane-cli's reason, grouped; files
the oracle could not read are listed too. When the corpus has a
MANIFEST-legacy.tsv beside it, each failed file shows its notes.

soffice sometimes stops in the middle of a long batch with exit status 0; the
files after the last one it wrote are then given to a new soffice process
(a file it stops on twice is counted as unread by the oracle).

Usage: bench/legacy-fidelity.py [--cli build/native/corvane-cli] [--corpus DIR]
           [--ext doc,dot] [--worst N] [--oracle-cache DIR] [--jobs N]
"""
import argparse
import collections
import csv
import html
import html.parser
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unicodedata

WORD = re.compile(r"\w+", re.UNICODE)


def default_corpus(root):
    for candidate in (os.path.join(root, "..", "shared", "corpus", "doc"), os.path.join(root, "tests", "corpus", "doc")):
        if os.path.isdir(candidate):
            return os.path.normpath(candidate)
    return None


INVISIBLE = re.compile("[\u00ad\u200b\u200c\u200d\u2060\ufeff]")


def words_of(text):
    """The words of a text, NFC-normalised, soft hyphens and zero-width
    characters taken out, without tokens made of digits only."""
    text = INVISIBLE.sub("", unicodedata.normalize("NFC", text))
    return [w for w in WORD.findall(text) if not w.isdigit()]


BLOCK_TAGS = {
    "p", "li", "ol", "ul", "dl", "dt", "dd", "div", "table", "tr", "td", "th", "thead", "tbody", "tfoot",
    "caption", "h1", "h2", "h3", "h4", "h5", "h6", "br", "hr", "blockquote", "pre", "center", "address",
    "col", "colgroup", "section", "article", "header", "footer", "nav", "aside", "main", "form", "fieldset",
    "legend", "figure", "figcaption", "img", "input", "select", "textarea", "button", "option",
}
# Elements whose content is never body text (head, scripts, form controls).
SKIPPED_TAGS = {"head", "title", "style", "script", "noscript", "select", "textarea", "option", "button", "template"}
# Fields whose result LibreOffice computes anew when it converts (today's date,
# its own file name, page numbers): not the document's words.
RECOMPUTED_FIELDS = {"datetime", "filename", "page", "docstat"}
NOTE_MARKS = {"sdfootnoteanc", "sdendnoteanc", "sdfootnotesym", "sdendnotesym"}
HEADINGS = {"h1", "h2", "h3", "h4", "h5", "h6"}
# A heading's outline number, which LibreOffice writes against its text ("2.1Header").
HEADING_NUMBER = re.compile(r"^(\s*\d+(?:\.\d+)*\.?)(?=[^\W\d])")
VOID_TAGS = {"br", "hr", "img", "input", "col", "meta", "link", "base", "wbr", "area", "param", "source", "embed"}


class OracleReader(html.parser.HTMLParser):
    """The body text, list items and table rows of LibreOffice's HTML export."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.parts = []
        self.items = []      # finished items' text
        self.rows = []       # finished rows' text (outermost tables only)
        self.stack = []      # open elements: (tag, skipped?)
        self.skip_depth = 0  # > 0 inside header/footer divs and SKIPPED_TAGS
        self.open_items = []  # [text parts, open nested lists] for each open <li>
        self.table_depth = 0
        self.row = None      # text parts of the open outermost row
        self.heading_start = False

    def _skipping(self):
        return self.skip_depth > 0

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "li":
            # An <li> ends the one open at its level (HTML lets </li> out).
            for open_tag, _ in reversed(self.stack):
                if open_tag in ("ol", "ul"):
                    break
                if open_tag == "li":
                    self.handle_endtag("li")
                    break
        skip = tag in SKIPPED_TAGS
        if tag == "div":
            title = (attrs.get("title") or "").lower()
            skip = "header" in title or "footer" in title
        if re.search(r"display:\s*none", attrs.get("style") or "", re.I):
            skip = True  # hidden text
        if tag == "a" and (attrs.get("class") or "").lower() in NOTE_MARKS:
            skip = True  # note marks: numbers of ours and theirs, glued to words in theirs
        if tag == "sdfield" and (attrs.get("type") or "").lower() in RECOMPUTED_FIELDS and "sdfixed" not in attrs:
            skip = True
        if tag in HEADINGS and not self._skipping():
            self.heading_start = True
        if tag not in VOID_TAGS:
            self.stack.append((tag, skip))
            if skip:
                self.skip_depth += 1
        if self._skipping():
            return
        if tag in BLOCK_TAGS:
            self._text(" ")
        if tag == "table":
            self.table_depth += 1
        elif tag == "tr" and self.table_depth == 1:
            self.row = []
        elif tag in ("td", "th") and self.row is not None:
            self.row.append(" ")
        elif tag in ("ol", "ul"):
            if self.open_items:
                self.open_items[-1][1] += 1
        elif tag == "li":
            self.open_items.append([[], 0, self.table_depth])

    def handle_startendtag(self, tag, attrs):
        self.handle_starttag(tag, attrs)
        if tag not in VOID_TAGS:
            self.handle_endtag(tag)

    def handle_endtag(self, tag):
        if tag in VOID_TAGS:
            return
        # Close up to the matching open element (HTML leaves some end tags out).
        for depth in range(len(self.stack) - 1, -1, -1):
            if self.stack[depth][0] == tag:
                break
        else:
            return
        while len(self.stack) > depth:
            open_tag, skip = self.stack.pop()
            if skip:
                self.skip_depth -= 1
                if not self._skipping():
                    self._text(" ")  # what was left out parted words
                continue
            if self._skipping():
                continue
            self._close(open_tag)

    def _close(self, tag):
        if tag in BLOCK_TAGS:
            self._text(" ")
        if tag == "table":
            self.table_depth = max(0, self.table_depth - 1)
        elif tag == "tr" and self.table_depth == 1 and self.row is not None:
            self.rows.append("".join(self.row))
            self.row = None
        elif tag in ("ol", "ul"):
            if self.open_items:
                self.open_items[-1][1] -= 1
        elif tag == "li" and self.open_items:
            parts, _, table_depth = self.open_items.pop()
            if table_depth == 0:
                self.items.append("".join(parts))

    def _text(self, data):
        self.parts.append(data)
        if self.row is not None:
            self.row.append(data)
        # An item's own text: what comes before a list nested in it.
        if self.open_items and self.open_items[-1][1] == 0:
            self.open_items[-1][0].append(data)

    def handle_data(self, data):
        if self._skipping():
            return
        if self.heading_start and data.strip():
            data = HEADING_NUMBER.sub(r"\1 ", data)
            self.heading_start = False
        self._text(data)

    def handle_comment(self, data):
        pass  # comments/annotations: LibreOffice writes them as HTML comments

    def finish(self):
        self.close()
        while self.stack:
            self.handle_endtag(self.stack[-1][0])
        return "".join(self.parts), self.items, self.rows


def read_oracle(html_bytes):
    text = html_bytes.decode("utf-8", errors="replace")
    start = re.search(r"<body[^>]*>", text, re.I)
    reader = OracleReader()
    reader.feed(text[start.end():] if start else text)
    return reader.finish()


CLASSIC_TOKEN = re.compile(r"[\w?]+", re.UNICODE)


def classic_words_of(text):
    """The words of our classic output: a character Windows-1252 cannot hold
    is "?" there, so a token with a "?" inside or in front ("??p??") is such
    a word and left out, like its oracle counterpart; "?" at the end of a
    token is punctuation."""
    words = []
    for token in CLASSIC_TOKEN.findall(INVISIBLE.sub("", text)):
        token = token.rstrip("?")
        if token and "?" not in token:
            words.extend(words_of(token))
    return words


def our_blocks(html_bytes, encoding):
    text = html_bytes.decode(encoding, errors="replace")
    start = text.find("<body>")
    body = text[start + 6:] if start >= 0 else text
    blocks = []
    # A table row of the full output is one block, as a row of the classic
    # output is one paragraph. Emphasis, links and raised text sit inside
    # words ("m<sup>-1</sup>"), so only other tags part them.
    for match in re.finditer(r"<(li|p|tr)>(.*?)</\1>", body, re.S):
        inner = re.sub(r"</?(?:strong|em|u|s|sup|sub|a|span)\b[^>]*>", "", match.group(2))
        inner = re.sub(r"<[^>]+>", " ", inner)
        blocks.append(("li" if match.group(1) == "li" else "p", html.unescape(inner)))
    return blocks


def contains(block_words, wanted):
    return all(block_words[w] >= n for w, n in wanted.items())


def output_stem(name):
    stem, _ = os.path.splitext(name)
    return stem


def stage(corpus, exts, work):
    """Copies the corpus into work/src with names whose stems are unique (x.doc
    and x.docx would write the same x.html). Returns [(original, staged name)]."""
    found = []
    for folder, dirs, files in os.walk(corpus):
        dirs[:] = sorted(d for d in dirs if not d.startswith("."))
        for name in sorted(files):
            if name.startswith("."):
                continue
            if exts and os.path.splitext(name)[1].lower().lstrip(".") not in exts:
                continue
            found.append(os.path.relpath(os.path.join(folder, name), corpus))
    src = os.path.join(work, "src")
    os.makedirs(src)
    stems = set()
    staged = []
    for relative in found:
        name = os.path.basename(relative)
        stem, ext = os.path.splitext(name)
        candidate, n = name, 1
        while output_stem(candidate).lower() in stems:
            n += 1
            candidate = f"{stem}~{n}{ext}"
        stems.add(output_stem(candidate).lower())
        shutil.copyfile(os.path.join(corpus, relative), os.path.join(src, candidate))
        staged.append((relative, candidate))
    return staged


def run_soffice(soffice, sources, outdir, profile, timeout):
    """Converts sources (in order) with one soffice process, more only when it
    stops early. Returns (outputs by source, processes, files it stopped on)."""
    outputs = {}
    processes = 0
    stopped_on = []
    pending = list(sources)
    while pending:
        processes += 1
        command = [soffice, f"-env:UserInstallation=file://{profile}", "--headless", "--norestore",
                   "--convert-to", "html", "--outdir", outdir] + pending
        try:
            result = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=timeout)
        except subprocess.TimeoutExpired:
            print(f"legacy-fidelity: soffice took over {timeout} s; the files left count as unread",
                  file=sys.stderr)
            break
        unread = result.stderr.count(b"source file could not be loaded")
        last = -1
        written = 0
        for index, source in enumerate(pending):
            path = os.path.join(outdir, output_stem(os.path.basename(source)) + ".html")
            if os.path.exists(path):
                outputs[source] = path
                last = index
                written += 1
        if written + unread >= len(pending):
            break  # every file was written or reported unreadable
        # It stopped early: go on after the last file written; when it wrote
        # none, after the files it reported unreadable and the one it stopped on.
        if last >= 0:
            pending = pending[last + 1:]
        else:
            stopped_on.append(pending[unread] if unread < len(pending) else pending[-1])
            pending = pending[unread + 1:]
    return outputs, processes, stopped_on


def oracle_readings(args, staged, work):
    """The oracle's HTML (bytes, or None when soffice could not read it) by staged name."""
    readings = {}
    todo = []
    for relative, name in staged:
        cached = os.path.join(args.oracle_cache, relative + ".html") if args.oracle_cache else None
        if cached and os.path.exists(cached):
            with open(cached, "rb") as f:
                data = f.read()
            readings[name] = data or None
        else:
            todo.append((relative, name))
    processes, stopped_on, seconds = 0, [], 0.0
    if todo:
        soffice = shutil.which(args.soffice)
        if not soffice:
            sys.exit(f"legacy-fidelity: {args.soffice} is not installed (LibreOffice Writer)")
        outdir = os.path.join(work, "oracle")
        os.makedirs(outdir)
        sources = [os.path.join(work, "src", name) for _, name in todo]
        started = time.monotonic()
        outputs, processes, stopped_on = run_soffice(soffice, sources, outdir, os.path.join(work, "profile"),
                                                     args.soffice_timeout)
        seconds = time.monotonic() - started
        for (relative, name), source in zip(todo, sources):
            data = None
            if source in outputs:
                with open(outputs[source], "rb") as f:
                    data = f.read()
            readings[name] = data
            if args.oracle_cache:
                cached = os.path.join(args.oracle_cache, relative + ".html")
                os.makedirs(os.path.dirname(cached), exist_ok=True)
                with open(cached, "wb") as f:
                    f.write(data or b"")
    stopped = {os.path.basename(s) for s in stopped_on}
    return readings, len(todo), processes, stopped, seconds


def run_ours(cli, work, utf8, jobs):
    """Runs corvane-cli over work/src; returns {staged name: (status, reason, output path)}."""
    outdir = os.path.join(work, "utf8" if utf8 else "classic")
    command = [cli, "--report", "json", "--jobs", str(jobs), "--outdir", outdir]
    if utf8:
        command.append("--utf8")
    result = subprocess.run(command + [os.path.join(work, "src")], capture_output=True)
    status = {}
    for line in result.stdout.decode("utf-8", errors="replace").splitlines():
        try:
            record = json.loads(line)
        except json.JSONDecodeError:
            continue
        if "input" not in record:
            continue
        reason = record.get("reason") or ""
        reason = re.sub(r"^not converted:\s*", "", reason)
        status[os.path.basename(record["input"])] = (record.get("status"), reason, record.get("output"))
    # Without a report line, the stderr line "corvane-cli: PATH: not converted: REASON".
    for line in result.stderr.decode("utf-8", errors="replace").splitlines():
        match = re.match(r"corvane-cli: (.*): not converted: (.*)$", line)
        if match and os.path.basename(match.group(1)) not in status:
            status[os.path.basename(match.group(1))] = ("failed", match.group(2), None)
    if result.returncode not in (0, 1):
        print(f"legacy-fidelity: corvane-cli{' --utf8' if utf8 else ''} exited with {result.returncode}",
              file=sys.stderr)
    return status


def read_manifest(corpus):
    """Notes of MANIFEST-legacy.tsv (beside the corpus folder) by file name."""
    notes = {}
    path = os.path.join(os.path.dirname(os.path.abspath(corpus)), "MANIFEST-legacy.tsv")
    if not os.path.exists(path):
        return notes
    with open(path, newline="", encoding="utf-8", errors="replace") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            if row.get("notes"):
                notes[os.path.basename(row.get("file") or "")] = row["notes"]
    return notes


class Tally:
    """Counts for one of our outputs (classic or --utf8)."""

    def __init__(self, label, ansi_only):
        self.label = label
        self.ansi_only = ansi_only
        self.t = collections.Counter()
        self.extras = []
        self.structure_misses = []

    def split(self, text):
        """Words of a text as this output can carry them: for the classic
        output, the text as Windows-1252 gives it back ("?" for what it
        cannot hold), tokenised as our classic HTML is."""
        if not self.ansi_only:
            return words_of(text)
        return classic_words_of(text.encode("cp1252", errors="replace").decode("cp1252"))

    def measure(self, name, oracle_text, items, rows, blocks):
        """Returns (share, found, total, lost words, missed structure) for one file."""
        oracle_words = self.split(oracle_text)
        wanted = collections.Counter(oracle_words)
        if self.ansi_only:
            self.t["apart"] += max(0, len(words_of(oracle_text)) - len(oracle_words))
        total = sum(wanted.values())
        self.t["words"] += total
        if blocks is None:
            return (0.0 if total else 1.0), 0, total, list(wanted), []
        split = classic_words_of if self.ansi_only else words_of
        ours = collections.Counter(w for _, text in blocks for w in split(text))
        found = sum(min(n, ours[w]) for w, n in wanted.items())
        self.t["found"] += found
        beyond = ours - wanted
        extra = sum(beyond.values())
        self.t["extra"] += extra
        if extra:
            self.extras.append((extra, name, " ".join(w for w, _ in beyond.most_common(10))))
        li_words = [collections.Counter(split(t)) for kind, t in blocks if kind == "li"]
        all_words = li_words + [collections.Counter(split(t)) for kind, t in blocks if kind == "p"]
        missed = []
        for kind, texts, pool in (("item", items, li_words), ("row", rows, all_words)):
            for text in texts:
                need = collections.Counter(self.split(text))
                if not need:
                    continue
                self.t[kind + "s"] += 1
                if any(contains(b, need) for b in pool):
                    self.t[kind + "s_found"] += 1
                else:
                    missed.append(f"{kind}: " + " ".join(text.split())[:60])
        if missed:
            self.structure_misses.append((name, missed))
        lost = [w for w, _ in (wanted - ours).most_common()]
        return (found / total if total else 1.0), found, total, lost, missed


def pct(a, b):
    return 100.0 * a / b if b else 100.0


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--cli", default=os.path.join(root, "build", "native", "corvane-cli"))
    parser.add_argument("--corpus", default=default_corpus(root))
    parser.add_argument("--ext", help="only files with these extensions (comma-separated, any case)")
    parser.add_argument("--worst", type=int, default=15)
    parser.add_argument("--oracle-cache", help="folder keeping LibreOffice's readings between runs")
    parser.add_argument("--soffice", default="soffice")
    parser.add_argument("--soffice-timeout", type=int, default=3600, help="seconds for one soffice process")
    parser.add_argument("--jobs", type=int, default=2, help="corvane-cli worker threads")
    args = parser.parse_args()
    if not args.corpus or not os.path.isdir(args.corpus):
        sys.exit("legacy-fidelity: no corpus folder (give --corpus)")
    if not os.access(args.cli, os.X_OK):
        sys.exit(f"legacy-fidelity: {args.cli} is not built")
    exts = {e.strip().lower().lstrip(".") for e in args.ext.split(",")} if args.ext else set()
    notes = read_manifest(args.corpus)

    with tempfile.TemporaryDirectory(prefix="legacy-fidelity-") as work:
        staged = stage(args.corpus, exts, work)
        if not staged:
            sys.exit("legacy-fidelity: no files in the corpus folder")
        readings, converted_by_oracle, processes, stopped, seconds = oracle_readings(args, staged, work)
        runs = {False: run_ours(args.cli, work, False, args.jobs), True: run_ours(args.cli, work, True, args.jobs)}

        tallies = {False: Tally("classic", True), True: Tally("--utf8", False)}
        per_file = []
        failures = collections.defaultdict(list)
        oracle_failed = []
        status_differs = []
        for relative, name in staged:
            classic = runs[False].get(name, ("missing", "no report line", None))
            utf8 = runs[True].get(name, ("missing", "no report line", None))
            if (classic[0] == "converted") != (utf8[0] == "converted"):
                status_differs.append(f"{relative}: classic {classic[0]} {classic[1]}; --utf8 {utf8[0]} {utf8[1]}")
            if classic[0] != "converted":
                failures[classic[1] or classic[0]].append(relative)
            data = readings.get(name)
            if data is None:
                oracle_failed.append((relative, classic[0]))
                continue
            text, items, rows = read_oracle(data)
            results = {}
            for utf8_run, tally in tallies.items():
                status = runs[utf8_run].get(name, ("missing", "", None))
                blocks = None
                if status[0] == "converted" and status[2] and os.path.exists(status[2]):
                    with open(status[2], "rb") as f:
                        blocks = our_blocks(f.read(), "utf-8" if utf8_run else "cp1252")
                results[utf8_run] = tally.measure(relative, text, items, rows, blocks)
            share = min(results[False][0], results[True][0])
            per_file.append((share, relative, results, classic))

    files = len(staged)
    print(f"corpus: {args.corpus}: {files} files")
    print(f"oracle: LibreOffice, {converted_by_oracle} files given to {processes} soffice process(es)"
          f" in {seconds:.1f} s ({files - converted_by_oracle} from the cache); could not read: {len(oracle_failed)}")
    not_converted = sum(len(v) for v in failures.values())
    print(f"not converted by corvane-cli: {not_converted}")
    for utf8_run in (False, True):
        tally = tallies[utf8_run]
        t = tally.t
        print(f"== {tally.label} output")
        apart = (f"  (plus {t['apart']} words with characters outside Windows-1252, not counted)" if tally.ansi_only else "")
        print(f"  words: {t['found']}/{t['words']} = {pct(t['found'], t['words']):.3f} %{apart}")
        print(f"  words of ours beyond the oracle's: {t['extra']}")
        print(f"  list items: {t['items_found']}/{t['items']} = {pct(t['items_found'], t['items']):.2f} %")
        print(f"  table rows: {t['rows_found']}/{t['rows']} = {pct(t['rows_found'], t['rows']):.2f} %")
    if status_differs:
        print("converted by one output and not the other:")
        for line in status_differs:
            print(f"  {line}")

    print(f"files not converted, by reason ({not_converted}):")
    for reason, names in sorted(failures.items(), key=lambda kv: (-len(kv[1]), kv[0])):
        print(f"  {len(names)}  {reason}")
        for name in names:
            note = notes.get(os.path.basename(name))
            print(f"       {name}" + (f"  [manifest: {note}]" if note else ""))
    print(f"files the oracle could not read ({len(oracle_failed)}):")
    for name, ours in oracle_failed:
        note = notes.get(os.path.basename(name))
        stop = "  (soffice stopped on it)" if os.path.basename(name) in stopped else ""
        print(f"  {name}  (ours: {ours}){stop}" + (f"  [manifest: {note}]" if note else ""))

    print(f"worst {args.worst} files (share of words classic / --utf8, words found/total in --utf8, "
          f"what is missing):")
    for share, name, results, status in sorted(per_file, key=lambda r: (r[0], r[1]))[:args.worst]:
        c, u = results[False], results[True]
        if status[0] != "converted":
            note = f"not converted: {status[1]}"
        else:
            worse = c if c[0] < u[0] else u
            note = "; ".join(worse[4][:3]) or " ".join(worse[3][:12])
        print(f"  {100 * c[0]:6.2f} % / {100 * u[0]:6.2f} %  {u[1]}/{u[2]}  {name}")
        print(f"        {note[:200]}")
    for utf8_run in (False, True):
        tally = tallies[utf8_run]
        print(f"most words beyond the oracle's ({tally.label}):")
        for extra, name, sample in sorted(tally.extras, reverse=True)[:args.worst]:
            print(f"  {extra}  {name}  {sample[:120]}")
    for utf8_run in (False, True):
        tally = tallies[utf8_run]
        if tally.structure_misses:
            print(f"list items and table rows not found ({tally.label}), {len(tally.structure_misses)} files:")
            for name, missed in sorted(tally.structure_misses, key=lambda m: -len(m[1]))[:args.worst]:
                print(f"  {name}: {len(missed)}: {'; '.join(missed[:3])[:170]}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
