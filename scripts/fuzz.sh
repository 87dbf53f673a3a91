#!/usr/bin/env bash
# Runs every fuzz target built in a folder for a bounded time, two at a time, seeded from
# tests/data. A crash, a sanitizer report or an input slower than the timeout fails the script;
# the log of a failed target and the input that failed it are kept in <folder>/fuzz-logs.
#   scripts/fuzz.sh [build folder] [seconds per target]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}
seconds=${2:-30}
logs="$build/fuzz-logs"
mkdir -p "$logs"

targets=(fuzz_index_cutting fuzz_article_cutting fuzz_tag_filters fuzz_safe_markup fuzz_line_fitting
         fuzz_page_conversion fuzz_config_readers fuzz_xhtml_markup)

run_one() {
    local target=$1
    local corpus="$build/fuzz-corpus/$target"
    mkdir -p "$corpus"
    # The first folder takes the new inputs; tests/data is only read.
    "$build/fuzz/$target" -max_total_time="$seconds" -timeout=5 -max_len=4096 -rss_limit_mb=2048 \
        -artifact_prefix="$logs/$target-" -print_final_stats=1 "$corpus" tests/data >"$logs/$target.log" 2>&1
}

failed=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
    pids=()
    names=()
    for target in "${targets[@]:i:2}"; do
        run_one "$target" &
        pids+=($!)
        names+=("$target")
    done
    for k in "${!pids[@]}"; do
        if wait "${pids[$k]}"; then
            echo "fuzz: ${names[$k]}: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' \
                "$logs/${names[$k]}.log" | grep -o '[0-9]*$') inputs, clean"
        else
            echo "fuzz: ${names[$k]} FAILED; its log ends:" >&2
            tail -n 40 "$logs/${names[$k]}.log" >&2
            failed=1
        fi
    done
done
exit "$failed"
