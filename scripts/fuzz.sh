#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS
# (default 60). Inputs that crash are kept in fuzz-out/; copy them into
# tests/regression/inputs/<target>/ so the normal test suite replays them.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build=build-fuzz
out=fuzz-out

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DMIRT_FUZZ=ON -DMIRT_BUILD_TESTS=OFF -DMIRT_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target fuzz_reader fuzz_actions fuzz_filter fuzz_scanner fuzz_session

mkdir -p "$out"
status=0
for target in ${FUZZ_TARGETS:-reader actions filter scanner session}; do
    corpus="$out/corpus-$target"
    mkdir -p "$corpus"
    # Starting points: our own corpora, sample logs and earlier findings.
    case $target in
        reader|scanner) cp samples/*.log "$corpus"/ ;;
        *) cp fuzz/corpus/"$target"/* "$corpus"/ ;;
    esac
    cp tests/regression/inputs/"$target"/* "$corpus"/ 2>/dev/null || true

    # Longer inputs add nothing the fuzzer cannot reach with these, and cost
    # a viewer of thousands of rows per run.
    case $target in
        reader|actions|scanner) max_len=16384 ;;
        filter) max_len=4096 ;;
        session) max_len=65536 ;;
    esac
    echo "== fuzz_$target for ${seconds}s"
    log="$out/fuzz_$target.log"
    if QT_QPA_PLATFORM=offscreen \
        ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:max_malloc_fill_size=0 \
        LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp":print_suppressions=0 \
        UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$build/bin/fuzz_$target" "$corpus" \
            -dict="fuzz/dict/$target.dict" -max_total_time="$seconds" -max_len="$max_len" \
            -timeout=20 -rss_limit_mb=4096 -artifact_prefix="$out/$target-" -print_final_stats=1 \
            >"$log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$log" | sed 's/^/   /'
    else
        status=1
        echo "fuzz_$target found a problem; see $log and $out/$target-*"
        grep -E 'ERROR|SUMMARY' "$log" | head -5 | sed 's/^/   /'
    fi
done
exit $status
