#!/usr/bin/env bash
# Loads and shows hostile and huge inputs and prints time and peak memory per
# case. Extra arguments go to stress_load (e.g. --scale 0.1 for a quick run).
set -euo pipefail
build=${1:-build}
shift || true
cd "$(dirname "$0")/.."
# The offscreen platform wants a private runtime directory; without one every
# case prints a warning into the table.
if [[ -z ${XDG_RUNTIME_DIR:-} ]]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
    trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
fi
QT_QPA_PLATFORM=offscreen "$build/bin/stress_load" "$@"
