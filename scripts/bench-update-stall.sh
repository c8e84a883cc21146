#!/usr/bin/env bash
# Builds the stall benchmark and runs it: two whole firmware updates in the window, on the
# simulated device in real time, one of a 400 KB OS file onto a data disk that writes 20 kB/s and
# one of a 20 MB file onto a 1 MB/s disk (about a minute in all). For each it prints the longest
# time the GUI thread handled no event and the steps behind the longest stalls. Builds in
# build-bench (Release) unless ZEPHLARK_BENCH_BUILD names another configured build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZEPHLARK_BENCH_BUILD:-build-bench}

[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
# The machine is shared: two jobs, and only what the benchmark needs.
cmake --build "$build" --target update_stall -j2
echo "machine: $(nproc) CPUs, $(uptime | sed 's/^ *//')"
# The window needs a display: a private Xvfb unless one is set.
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a)
"${display[@]}" "$build/bench/update_stall"
echo "machine after the run: $(uptime | sed 's/^ *//')"
