#!/usr/bin/env bash
# Builds the benchmarks in build-bench (Release) and runs them; they print their figures.
# Arguments go to serial_flood (--help lists them), e.g. scripts/bench.sh --rate-seconds=8
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-bench

for tool in umockdev-wrapper xvfb-run; do
    command -v "$tool" >/dev/null || { echo "bench.sh: $tool is missing (scripts/install-deps.sh)" >&2; exit 2; }
done
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
# The machine is shared: two jobs, and only what the benchmark needs.
cmake --build "$build" --target serial_flood -j2

# umockdev leaves its folders in TMPDIR when a run is aborted; xvfb-run puts its own there too.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zephlark-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

echo "machine: $(nproc) CPUs, $(uptime | sed 's/^ *//')"
# The program's own event loop is GTK's, which needs a display: a private Xvfb unless one is set.
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a)
TMPDIR="$scratch" "${display[@]}" umockdev-wrapper "$build/bench/serial_flood" "$@"
echo "machine after the run: $(uptime | sed 's/^ *//')"
