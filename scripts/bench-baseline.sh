#!/usr/bin/env bash
# Runs the window benchmark of this checkout against an earlier build
# (default: the last commit before files were read in the background), so
# that the README can give both sets of figures from one run.
set -euo pipefail
cd "$(dirname "$0")/.."
commit=${1:-8434186}
tree=build-baseline/src
rm -rf build-baseline
git worktree add --detach -f "$tree" "$commit" >/dev/null
trap 'git worktree remove --force "$tree" >/dev/null 2>&1 || true' EXIT
cp bench/bench_window.cpp bench/windowbench.h "$tree/bench/"
printf '\nadd_executable(bench_window bench_window.cpp)\ntarget_link_libraries(bench_window PRIVATE robotloggen app)\n' \
    >>"$tree/bench/CMakeLists.txt"
cmake -S "$tree" -B build-baseline/build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRT_BUILD_TESTS=OFF >/dev/null
cmake --build build-baseline/build -j"${JOBS:-2}" --target bench_window >/dev/null
export QT_QPA_PLATFORM=offscreen
echo "== $commit, the real window, ${2:-1000000} lines"
build-baseline/build/bin/bench_window "${2:-1000000}" 2>&1 | grep -v 'propagateSizeHints' || true
