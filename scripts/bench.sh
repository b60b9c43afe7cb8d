#!/usr/bin/env bash
# Prints the benchmark figures recorded in the README.
set -euo pipefail
build=${1:-build}
cd "$(dirname "$0")/.."
QT_QPA_PLATFORM=offscreen "$build/bin/bench_viewer"
