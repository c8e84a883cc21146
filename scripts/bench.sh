#!/usr/bin/env bash
# Builds one benchmark (Release, in build-bench unless ZEPHLARK_BENCH_BUILD names another
# configured build folder) and runs it; it prints its figures (bench/README.md).
#   scripts/bench.sh flood        the serial link's rates and line delay
#   scripts/bench.sh update       a whole update's overhead and CPU share
#   scripts/bench.sh copy [FOLDER [MIB]]   the checked copy against cp + sync + cmp
#   scripts/bench.sh stall        the window's longest stall over whole updates
#   scripts/bench.sh cli-info [RUNS]       zephlark-cli info's time to its report and peak RSS
#   scripts/bench.sh update-all [RUNS]     update --all of four simulated devices against one
set -euo pipefail
cd "$(dirname "$0")/.."
build=${ZEPHLARK_BENCH_BUILD:-build-bench}
which=${1:-}
shift || true
case "$which" in
flood) target=(serial_flood) ;;
update) target=(update_bench) ;;
copy) target=(copy_verify) ;;
stall) target=(update_stall) ;;
cli-info) target=(cli_info) ;;
update-all) target=(zephlark-cli-sim zephlark-make-os-file) ;;
*) sed -n '2,10s/^# \?//p' "$0" >&2; exit 2 ;;
esac
for tool in umockdev-wrapper xvfb-run dbus-run-session; do
    command -v "$tool" >/dev/null || { echo "bench.sh: $tool is missing (scripts/install-deps.sh)" >&2; exit 2; }
done
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
# The machine is shared: two jobs, and only what the benchmark needs.
cmake --build "$build" --target "${target[@]}" -j2

# umockdev leaves its folders in TMPDIR when a run is aborted; xvfb-run, the bus and the
# programs' state (journal, logs) go there too, never to the user's folders.
scratch=$(mktemp -d "${TMPDIR:-/tmp}/zephlark-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR=$scratch XDG_STATE_HOME=$scratch/state
# The programs' own event loop is GTK's, which needs a display: a private Xvfb unless one is set.
display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a)
program=$(find "$build/bench" -maxdepth 1 -name "${target[0]}" -type f)
type=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$build/CMakeCache.txt")
echo "build: $build (${type:-RelWithDebInfo}); machine: $(nproc) CPUs, $(uptime | sed 's/^ *//')"
case "$which" in
flood) "${display[@]}" umockdev-wrapper "$program" ;;
update) tests/ZephlarkKitWx/linux/dbus/on_private_bus.sh \
    org.freedesktop.UDisks2=tests/ZephlarkKitWx/linux/dbus/udisks2.py -- \
    "${display[@]}" umockdev-wrapper "$program" ;;
copy) "$program" "$@" ;;
update-all) bench/update_all.sh "$build/src/zephlark-cli-sim" "$build/tools/zephlark-make-os-file" "$@" ;;
*) "${display[@]}" "$program" "$@" ;;
esac
echo "machine after the run: $(uptime | sed 's/^ *//')"
