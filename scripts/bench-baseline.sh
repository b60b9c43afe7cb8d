#!/usr/bin/env bash
# Runs the window benchmark of this checkout against an earlier build
# (default: the last commit before rows showed while a file is read and the
# records were packed), so that the figures of both come from one session.
# Usage: bench-baseline.sh [COMMIT] [LINES...]
# The earlier build is kept in build-baseline/ and made again only for
# another commit or another benchmark source.
set -euo pipefail
cd "$(dirname "$0")/.."
commit=${1:-3521818}
shift || true
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(1000000)
tree=build-baseline/src
sources=(bench/bench_window.cpp bench/windowbench.h bench/benchsupport.h bench/benchsupport.cpp)
stamp="$commit $(cat "${sources[@]}" | sha1sum | cut -d' ' -f1)"
if [[ ! -x build-baseline/build/bin/bench_window || "$(cat build-baseline/stamp 2>/dev/null)" != "$stamp" ]]; then
    rm -rf build-baseline
    git worktree prune
    git worktree add --detach -f "$tree" "$commit" >/dev/null
    trap 'git worktree remove --force "$tree" >/dev/null 2>&1 || true' EXIT
    cp "${sources[@]}" "$tree/bench/"
    cmake -S "$tree" -B build-baseline/build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRT_BUILD_TESTS=OFF >/dev/null
    cmake --build build-baseline/build -j"${JOBS:-2}" --target bench_window >/dev/null
    echo "$stamp" >build-baseline/stamp
fi
export QT_QPA_PLATFORM=offscreen
for lines in "${sizes[@]}"; do
    echo "== the build before ($commit), the real window, $lines lines"
    build-baseline/build/bin/bench_window "$lines" 2>&1 | grep -v 'propagateSizeHints' || true
done
