#!/usr/bin/env bash
# zephlark-cli update --all on four simulated devices against a plain update of one, in real
# time with the simulated device's normal timings (ZEPHLARK_SIM_QUICK=1 in the environment for
# the quick ones): both times and their ratio, best of RUNS each. Run it through
# scripts/bench.sh update-all, which sets a scratch TMPDIR and state folder.
#
# Usage: update_all.sh ZEPHLARK_CLI_SIM ZEPHLARK_MAKE_OS_FILE [RUNS]   (1 unless given)
set -euo pipefail
cli=$1 make_os_file=$2 runs=${3:-1}
target=1.3
os_file=$TMPDIR/ZephlarkOS-1.5.0.zlos
"$make_os_file" 1.5.0 "$os_file"

# Seconds that the update of that many devices took (--all for more than one); every device must
# have been updated.
update_all() {
    local devices=$1 start end all=()
    [ "$devices" -eq 1 ] || all=(--all)
    start=$(date +%s%N)
    ZEPHLARK_SIM_DEVICES=$devices "$cli" update "$os_file" "${all[@]}" --json >"$TMPDIR/lines" ||
        { echo "update --all of $devices devices failed:" >&2; tail -1 "$TMPDIR/lines" >&2; exit 1; }
    end=$(date +%s%N)
    local updated
    updated=$(grep -c '"event":"result".*"outcome":"successful"' "$TMPDIR/lines")
    [ "$updated" -eq "$devices" ] || { echo "$updated of $devices devices updated" >&2; exit 1; }
    awk -v ns=$((end - start)) 'BEGIN { printf "%.3f\n", ns / 1e9 }'
}

best() {
    local best='' seconds
    for _ in $(seq "$runs"); do
        seconds=$(update_all "$1")
        echo "  $1 device(s): $seconds s" >&2
        best=$(awk -v s="$seconds" -v b="${best:-$seconds}" 'BEGIN { print (s < b ? s : b) }')
    done
    echo "$best"
}

echo "timings: $([ "${ZEPHLARK_SIM_QUICK:-}" = 1 ] && echo quick || echo normal); best of $runs"
one=$(best 1)
four=$(best 4)
awk -v one="$one" -v four="$four" -v target=$target 'BEGIN {
    printf "one device %.2f s, four devices %.2f s: ratio %.2f (target at most %s: %s)\n",
           one, four, four / one, target, four / one <= target ? "met" : "missed" }'
