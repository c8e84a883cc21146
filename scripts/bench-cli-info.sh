#!/usr/bin/env bash
# Builds the command line's benchmark and runs it: zephlark-cli-sim info from its start to its
# printed report (the simulated device plugged, real time), the device's answer measured apart,
# and its peak RSS against the window's (zephlark-utility-sim) in the same run. Arguments go to
# the benchmark (the number of runs, 5 unless given). Builds in build-bench (Release) unless
# ZEPHLARK_BENCH_BUILD names another configured build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZEPHLARK_BENCH_BUILD:-build-bench}

[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
# The machine is shared: two jobs, and only what the benchmark needs.
cmake --build "$build" --target cli_info -j2

# The programs keep their state (journal, logs) in a scratch folder, never the user's.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zephlark-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

echo "machine: $(nproc) CPUs, $(uptime | sed 's/^ *//')"
# The window needs a display: a private Xvfb unless one is set.
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a)
XDG_STATE_HOME="$scratch" "${display[@]}" "$build/bench/cli_info" "$@"
echo "machine after the run: $(uptime | sed 's/^ *//')"
