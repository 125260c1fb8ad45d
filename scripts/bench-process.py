#!/usr/bin/env python3
"""Whole-process figures for corvane-cli next to cat on the same input.

    scripts/bench-process.py CLI BENCHGEN WORKDIR [RUNS]

Writes a 10 MB document as dense in control words as current Word output
into WORKDIR and times, best of RUNS (5) wall-clock runs each:
  cat < doc > /dev/null               the floor: moving the bytes
  corvane-cli - < doc > /dev/null     standard streams
  corvane-cli doc                     file argument (writes doc.html)
with the peak resident set of each process. Workers against one worker
are scripts/bench-jobs.sh's. Figures only: nothing passes or fails.
"""
import os
import subprocess
import sys
import time

MB = 1000 * 1000


def run_once(argv, stdin_path=None):
    """Wall seconds of one run; stdout to /dev/null."""
    stdin = open(stdin_path, "rb") if stdin_path else subprocess.DEVNULL
    with open(os.devnull, "wb") as null:
        start = time.perf_counter()
        status = subprocess.run(argv, stdin=stdin, stdout=null, stderr=null)
        elapsed = time.perf_counter() - start
    if stdin_path:
        stdin.close()
    if status.returncode != 0:
        sys.exit("%s failed with status %d" % (" ".join(argv), status.returncode))
    return elapsed


def peak_rss(argv, stdin_path=None):
    """Peak resident set in bytes. Measured through time(1), whose small
    process starts the command: a child forked from this interpreter would
    count the interpreter's pages as its own."""
    report = os.path.join(os.environ.get("TMPDIR", "/tmp"), "corvane-bench-rss.%d" % os.getpid())
    try:
        run_once(["/usr/bin/time", "-f", "%M", "-o", report] + argv, stdin_path)
        return int(open(report).read().split()[-1]) * 1024
    finally:
        if os.path.exists(report):
            os.remove(report)


def best_of(runs, argv, stdin_path=None):
    best = min(run_once(argv, stdin_path) for _ in range(runs))
    return best, peak_rss(argv, stdin_path)


def main():
    cli, benchgen, workdir = sys.argv[1:4]
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    os.makedirs(workdir, exist_ok=True)

    doc = os.path.join(workdir, "word-dense-10MB.rtf")
    if not os.path.exists(doc):
        with open(doc, "wb") as out:
            subprocess.run([benchgen, "rtf-word-dense", str(10 * MB)], stdout=out, check=True)
    size = os.path.getsize(doc)
    html_size = 0

    print("== Whole process on %s (%.2f MB), wall time, best of %d; load average %s"
          % (doc, size / MB, runs, " ".join(open("/proc/loadavg").read().split()[:3])))
    # A process that does nothing: the part of every figure that is start-up.
    floor, floor_rss = best_of(runs, ["true"])
    cat, cat_rss = best_of(runs, ["cat"], stdin_path=doc)
    rows = [("cat < doc > /dev/null", cat, cat_rss)]
    rows.append(("corvane-cli - < doc", *best_of(runs, [cli, "-"], stdin_path=doc)))
    rows.append(("corvane-cli doc", *best_of(runs, [cli, doc])))
    html = os.path.splitext(doc)[0] + ".html"
    html_size = os.path.getsize(html)
    for label, seconds, rss in rows:
        print("   %-24s %7.1f ms %7.0f MB/s  %5.1f%% of cat  peak RSS %6.1f MB = in + out + %.1f MB"
              % (label, seconds * 1e3, size / MB / seconds, 100 * cat / seconds, rss / MB,
                 (rss - size - html_size) / MB))
    print("   (a process that does nothing: %.1f ms, %.1f MB; output %.2f MB)"
          % (floor * 1e3, floor_rss / MB, html_size / MB))


if __name__ == "__main__":
    main()
