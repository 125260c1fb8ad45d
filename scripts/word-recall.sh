#!/bin/bash
# Word recall of corvane-cli's two outputs against pandoc's RTF reader
# (pandoc -f rtf -t plain) over a folder of RTF files (default: the shared
# corpus): the share of pandoc's words, counted as multisets, that each
# output holds, over the whole folder and per file, with the worst files and
# a sample of the words they miss. The classic output names no character
# set; it is read as windows-1252, as a browser would. Figures only.
#
# pandoc (2.17 here) reads every byte of an RTF as windows-1252, whatever
# code page the document names, so its words of a Greek, Cyrillic or CJK
# document are mojibake that a decoding output cannot hold. A third figure
# therefore measures the full-text output against pandoc's text re-read in
# the document's \ansicpg where that is not 1252 (runs of characters up to
# U+00FF turned back into the bytes pandoc read, then decoded properly).
#   scripts/word-recall.sh [FOLDER] [--worst N]
set -euo pipefail
cd "$(dirname "$0")/.."

corpus=${CORVANE_CORPUS_DIR:-../shared/corpus/rtf}
[ -d "$corpus" ] || corpus=tests/corpus/rtf
worst=15
while [ $# -gt 0 ]; do
  case $1 in
    --worst) worst=$2; shift 2 ;;
    *) corpus=$1; shift ;;
  esac
done
command -v pandoc >/dev/null || { echo "word-recall: pandoc is not installed (scripts/install-deps.sh)" >&2; exit 1; }

cmake --preset native >/dev/null
cmake --build --preset native --target corvane-cli >/dev/null

python3 - "$corpus" build/native/corvane-cli build/native/word-recall "$worst" <<'PY'
import collections, concurrent.futures, hashlib, html, os, pathlib, re, subprocess, sys

corpus, cli, cache, worst = pathlib.Path(sys.argv[1]), sys.argv[2], pathlib.Path(sys.argv[3]), int(sys.argv[4])
cache.mkdir(parents=True, exist_ok=True)
word = re.compile(r"\w+")

def words(text):
    # A soft hyphen joins, a no-break space separates, case does not count.
    text = text.replace("\u00ad", "").replace("\u00a0", " ").lower()
    return collections.Counter(word.findall(text))

def pandoc_text(path):
    data = path.read_bytes()
    key = cache / (hashlib.sha1(data).hexdigest() + ".txt")
    if not key.exists():
        # A file pandoc cannot read in a few minutes gives no words, like one
        # it cannot read at all.
        try:
            result = subprocess.run(["pandoc", "-f", "rtf", "-t", "plain", "--wrap=none"],
                                    input=data, capture_output=True, timeout=180)
            text = result.stdout if result.returncode == 0 else b""
        except subprocess.TimeoutExpired:
            text = b""
        key.write_bytes(text)
    return key.read_bytes().decode("utf-8", "replace")

def html_text(page):
    body = page.split("<body>", 1)[-1]
    return html.unescape(re.sub(r"<[^>]*>", " ", body))

def corvane_text(path, full_text):
    args = [cli] + (["--utf8"] if full_text else []) + ["-"]
    out = subprocess.run(args, input=path.read_bytes(), capture_output=True, timeout=300).stdout
    return html_text(out.decode("utf-8" if full_text else "cp1252", "replace"))

ansicpg = re.compile(rb"\\ansicpg(\d+)")

def reread(text, rtf):
    found = ansicpg.search(rtf[:4096])
    page = found and int(found.group(1))
    if not page or page == 1252:
        return text
    def back(run):
        raw = bytearray()
        for ch in run.group():
            try:
                raw += ch.encode("cp1252")
            except UnicodeEncodeError:
                raw += ch.encode("latin-1")
        try:
            return raw.decode("cp%d" % page, "replace")
        except LookupError:
            return run.group()
    return re.sub(r"[\x80-\xff][\x00-\xff\u0152\u0153\u0160\u0161\u0178\u017d\u017e\u0192\u02c6\u02dc\u2013-\u203a\u20ac\u2122]*", back, text)

def held(reference, ours):
    return sum(min(n, ours[w]) for w, n in reference.items())

def measure(path):
    text = pandoc_text(path)
    reference = words(text)
    reread_reference = words(reread(text, path.read_bytes()))
    classic = words(corvane_text(path, False))
    full = words(corvane_text(path, True))
    missing = reread_reference - full
    return (path.name, sum(reference.values()), held(reference, classic), held(reference, full),
            missing, sum(reread_reference.values()), held(reread_reference, full))

files = sorted(p for p in corpus.rglob("*") if p.is_file() and p.suffix.lower() == ".rtf")
with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
    rows = list(pool.map(measure, files))

rows = [r for r in rows if r[1] > 0 and r[5] > 0]
for label, index, of in (("classic", 2, 1), ("full text (--utf8)", 3, 1),
                         ("full text, re-read", 6, 5)):
    total = sum(r[of] for r in rows)
    share = [r[index] / r[of] for r in rows]
    print("%-20s %6.2f %% of pandoc's %d words; files below 90 %%: %d, below 50 %%: %d (of %d)" % (
        label, 100 * sum(r[index] for r in rows) / total, total,
        sum(s < 0.9 for s in share), sum(s < 0.5 for s in share), len(rows)))
print(f"({len(files) - len(rows)} of {len(files)} files give no words in pandoc, or time it out, and are left out)")
print()
print(f"Worst {worst} files in the full-text output against the re-read pandoc text")
print("(recall re-read / against pandoc as is / classic, pandoc's words, words missing):")
rows.sort(key=lambda r: (r[6] / r[5], r[0]))
for name, n, classic, full, missing, n_reread, full_reread in rows[:worst]:
    sample = " ".join(w for w, _ in missing.most_common(8))
    print("  %6.1f %% / %6.1f %% / %6.1f %%  %7d  %s  [%s]" % (
        100 * full_reread / n_reread, 100 * full / n, 100 * classic / n, n, name, sample))
PY
