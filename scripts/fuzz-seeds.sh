#!/bin/bash
# Writes the fuzz target's seed corpus into build/fuzz/seeds: the input of
# every example in engine/cases (decoded: a line break is CR LF, a bracketed
# pair of hex digits is one byte), every file of the bundled RTF corpus and
# of the shared one beside the repository when it is there.
# The folder is rebuilt from scratch, so removed examples leave no seeds.
set -euo pipefail
cd "$(dirname "$0")/.."

seeds=build/fuzz/seeds
shared_corpus=${CORVANE_CORPUS_DIR:-../shared/corpus/rtf}
rm -rf "$seeds"
mkdir -p "$seeds"

python3 - engine/cases "$seeds" <<'PY'
import pathlib, re, sys

cases, seeds = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
fence = "`" * 32
marker = re.compile("\u27e8([0-9A-F]{2})\u27e9")

def decode(line):
    out, pos = bytearray(), 0
    for m in marker.finditer(line):
        out += line[pos:m.start()].encode("ascii")
        out.append(int(m.group(1), 16))
        pos = m.end()
    return bytes(out + line[pos:].encode("ascii"))

count = 0
for path in sorted(cases.glob("*.txt")):
    lines = path.read_text(encoding="utf-8").split("\n")
    for number, line in enumerate(lines, 1):
        if line.rstrip("\r") != fence + " example":
            continue
        block = []
        for body in lines[number:]:
            body = body.rstrip("\r")
            if body == ".":
                break
            block.append(decode(body))
        (seeds / f"{path.stem}-line{number}.rtf").write_bytes(b"\r\n".join(block))
        count += 1
print(f"fuzz-seeds: {count} example inputs")
PY

for corpus in tests/corpus/rtf "$shared_corpus"; do
  if [ -d "$corpus" ]; then
    cp "$corpus"/* "$seeds"/
    echo "fuzz-seeds: $(ls "$corpus" | wc -l) corpus files from $corpus"
  else
    echo "fuzz-seeds: no corpus at $corpus"
  fi
done

# The .docx reader's seeds: the real packages (bundled and shared), and the
# main parts of a few of them as plain XML (the target wraps an input that
# is not a ZIP as one).
shared_docx_corpus=${CORVANE_DOCX_CORPUS_DIR:-../shared/corpus/docx}
docx_seeds=build/fuzz/docx-seeds
rm -rf "$docx_seeds"
mkdir -p "$docx_seeds"
python3 - "$docx_seeds" tests/corpus/docx "$shared_docx_corpus" <<'PY'
import pathlib, shutil, sys, zipfile

seeds = pathlib.Path(sys.argv[1])
files = {}
for folder in map(pathlib.Path, sys.argv[2:]):
    if not folder.is_dir():
        print(f"fuzz-seeds: no .docx corpus at {folder}")
        continue
    for path in folder.glob("*.docx"):
        files.setdefault(path.name, path)
files = [files[name] for name in sorted(files)]
for path in files:
    shutil.copy(path, seeds / path.name)
for path in files[::10]:
    try:
        with zipfile.ZipFile(path) as package:
            (seeds / (path.stem + ".document.xml")).write_bytes(package.read("word/document.xml"))
    except (KeyError, zipfile.BadZipFile):
        pass
print(f"fuzz-seeds: {len(files)} .docx files and some of their main parts")
PY

# The .doc reader's seeds: the shared corpus's smaller .doc files (the
# larger ones only slow each execution down).
shared_doc_corpus=${CORVANE_LEGACY_CORPUS_DIR:-../shared/corpus}/doc
doc_seeds=build/fuzz/doc-seeds
rm -rf "$doc_seeds"
mkdir -p "$doc_seeds"
if [ -d "$shared_doc_corpus" ]; then
  find "$shared_doc_corpus" -type f -size -128k -exec cp {} "$doc_seeds"/ \;
  echo "fuzz-seeds: $(ls "$doc_seeds" | wc -l) .doc files from $shared_doc_corpus"
else
  echo "fuzz-seeds: no .doc corpus at $shared_doc_corpus"
fi

# The .xls reader's seeds: the shared corpus's smaller workbooks.
shared_xls_corpus=${CORVANE_LEGACY_CORPUS_DIR:-../shared/corpus}/xls
xls_seeds=build/fuzz/xls-seeds
rm -rf "$xls_seeds"
mkdir -p "$xls_seeds"
if [ -d "$shared_xls_corpus" ]; then
  find "$shared_xls_corpus" -type f -size -64k -exec cp {} "$xls_seeds"/ \;
  echo "fuzz-seeds: $(ls "$xls_seeds" | wc -l) .xls files from $shared_xls_corpus"
else
  echo "fuzz-seeds: no .xls corpus at $shared_xls_corpus"
fi

# The web page reader's seeds: the shared corpus's smaller pages.
shared_html_corpus=${CORVANE_LEGACY_CORPUS_DIR:-../shared/corpus}/html
html_seeds=build/fuzz/html-seeds
rm -rf "$html_seeds"
mkdir -p "$html_seeds"
if [ -d "$shared_html_corpus" ]; then
  find "$shared_html_corpus" -type f -size -64k -exec cp {} "$html_seeds"/ \;
  echo "fuzz-seeds: $(ls "$html_seeds" | wc -l) web pages from $shared_html_corpus"
else
  echo "fuzz-seeds: no web page corpus at $shared_html_corpus"
fi

# The seeds of the readers through the import libraries: the bundled files
# of those formats and the shared corpus's, each behind the byte that picks
# its reader (0 WordPerfect, 1 Works, 2 Write, 3 Lotus).
revenge_seeds=build/fuzz/revenge-seeds
rm -rf "$revenge_seeds"
mkdir -p "$revenge_seeds"
shared_legacy=${CORVANE_LEGACY_CORPUS_DIR:-../shared/corpus}
for pair in wpd:0 wps:1 wpt:1 wri:2 wk1:3 wk3:3 wk4:3; do
  folder=${pair%%:*}
  pick=${pair##*:}
  for dir in tests/corpus/$folder "$shared_legacy/$folder"; do
    [ -d "$dir" ] || continue
    find "$dir" -type f -size -64k -print0 |
      while IFS= read -r -d '' file; do
        { printf "\\$(printf '%03o' "$pick")"; cat "$file"; } >"$revenge_seeds/$folder-$(basename "$file")"
      done
  done
done
echo "fuzz-seeds: $(ls "$revenge_seeds" | wc -l) files of the older formats"
