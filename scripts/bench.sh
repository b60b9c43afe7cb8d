#!/usr/bin/env bash
# Prints the benchmark figures recorded in the README: reading and building
# rows headless, the analysis panels, indexing logs into a store of runs, a log
# opened plain and compressed, the timeline, following a log a writer appends to,
# then the real window on 1,000,000 and 10,000,000 lines (find and export
# included, then 200 small files opened in one call).
# BENCH_LINES="1000000" limits the window runs to the sizes given; each is
# followed by the same run of the build before rows showed while a file is
# read (BENCH_BASELINE=0 leaves it out).
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
# The offscreen platform wants a private runtime directory.
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
quiet() { grep -v 'propagateSizeHints' || true; }
echo "== reading and building rows, without a window ($(nproc) cores)"
"$build/bin/bench_viewer" 2>&1 | quiet
echo "== where the memory of an open log goes, 1000000 lines"
"$build/bin/bench_memory" 1000000 2>&1 | quiet
echo "== the analysis panels, 1000000 lines"
"$build/bin/bench_analysis" 1000000 2>&1 | quiet
echo "== comparing two runs, 1000000 lines each"
"$build/bin/bench_compare" 1000000 2>&1 | quiet
echo "== one log against four merged in one tab, 1000000 lines in all"
"$build/bin/bench_merge" 1000000 4 2>&1 | quiet
echo "== ten logs of 100000 lines indexed into a store of runs"
"$build/bin/bench_index" 10 100000 2>&1 | quiet
echo "== the command-line tool mirtlog, 1000000 lines"
"$build/bin/bench_cli" 1000000 2>&1 | quiet
echo "== a log opened plain and compressed, 1000000 lines"
"$build/bin/bench_compressed" 1000000 2>&1 | quiet
echo "== the timeline, 1000000 lines"
"$build/bin/bench_timeline" 1000000 2>&1 | quiet
echo "== line numbers and clock time in the real window, 1000000 lines"
"$build/bin/bench_lines" 1000000 2>&1 | quiet
echo "== five highlight rules in the real window, 1000000 lines"
"$build/bin/bench_highlight" 1000000 2>&1 | quiet
echo "== following a growing log in the real window"
"$build/bin/bench_follow" 2>&1 | quiet
echo "== bookmarks on a 1000000-line log in the real window"
"$build/bin/bench_bookmarks" 1000000 2>&1 | quiet
echo "== a continued record of a followed log, and a backtracking search"
"$build/bin/bench_live" 2>&1 | quiet
echo "== sessions of 64 tabs, and hostile session files"
"$build/bin/bench_session" 2>&1 | quiet
for lines in ${BENCH_LINES:-1000000 10000000}; do
    echo "== the real window, $lines lines"
    "$build/bin/bench_window" "$lines" 2>&1 | quiet
    # The same, with the build before rows showed while a file is read,
    # unless BENCH_BASELINE=0.
    if [[ ${BENCH_BASELINE:-1} != 0 ]]; then
        scripts/bench-baseline.sh "${BENCH_BASELINE_COMMIT:-3521818}" "$lines"
    fi
done
