#!/usr/bin/env bash
# Builds the whole-update benchmark and runs it: one firmware update through the real Linux layer
# with the simulated device's realistic timings, in real time (about half a minute). It prints the
# program's overhead and CPU time. Builds in build-bench (Release) unless ZEPHLARK_BENCH_BUILD
# names another configured build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZEPHLARK_BENCH_BUILD:-build-bench}

for tool in umockdev-wrapper xvfb-run dbus-run-session; do
    command -v "$tool" >/dev/null || { echo "bench-update.sh: $tool is missing (scripts/install-deps.sh)" >&2; exit 2; }
done
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
# The machine is shared: two jobs, and only what the benchmark needs.
cmake --build "$build" --target update_bench update_bench_program -j2

# umockdev leaves its folders in TMPDIR when a run is aborted; xvfb-run and the bus put theirs too.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zephlark-bench-update.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# An empty build type is the project's default.
type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")
echo "build: $build (${type:-RelWithDebInfo})"
echo "machine: $(nproc) CPUs, $(uptime | sed 's/^ *//')"
# The program is a GTK application: a private Xvfb unless a display is set.
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a)
TMPDIR="$scratch" tests/ZephlarkKitWx/linux/dbus/on_private_bus.sh \
    org.freedesktop.UDisks2=tests/ZephlarkKitWx/linux/dbus/udisks2.py -- \
    "${display[@]}" umockdev-wrapper "$build/bench/update_bench"
echo "machine after the run: $(uptime | sed 's/^ *//')"
