#!/usr/bin/env bash
# Fuzzes every target of tests/fuzz for MINUTES minutes each (default 1), starting from its seed
# corpus, under AddressSanitizer and UndefinedBehaviorSanitizer (the build-asan tree). What the
# fuzzer learns stays in build-asan/fuzz-corpus/NAME; an input that breaks a property or crashes
# is kept as build-asan/fuzz-findings/NAME/crash-*: once the fault is mended, copy it to
# tests/fuzz/regressions/NAME, and CTest replays it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-1}
targets=(classifier)

source tests/sanitizers/env.sh
scripts/sanitized-build.sh build-asan "${targets[@]/#/fuzz_}"
failed=()
for name in "${targets[@]}"; do
    corpus=build-asan/fuzz-corpus/$name
    findings=build-asan/fuzz-findings/$name
    mkdir -p "$corpus" "$findings"
    echo "== fuzz_$name, $minutes min"
    # A single allocation beyond 64 MiB counts as a finding: every input is bounded far below.
    build-asan/tests/fuzz/fuzz_"$name" "$corpus" tests/fuzz/corpus/"$name" \
        -max_total_time=$((minutes * 60)) -timeout=10 -malloc_limit_mb=64 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" -print_final_stats=1 || failed+=("$name")
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Findings in: ${failed[*]} (see build-asan/fuzz-findings)"
    exit 1
fi
