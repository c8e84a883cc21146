#!/usr/bin/env bash
# The committed template holds exactly the texts that the sources mark today: extracts them afresh
# into FRESH and compares the two, all but the POT-Creation-Date line.
# Usage: template_current.sh CMAKE CHECKOUT XGETTEXT FRESH.pot
set -euo pipefail
cmake=$1 checkout=$2 xgettext=$3 fresh=$4
"$cmake" -DSOURCE_DIR="$checkout" -DOUTPUT="$fresh" -DXGETTEXT="$xgettext" \
    -P "$checkout/po/ExtractMessages.cmake"
undated() { grep -v '^"POT-Creation-Date: ' "$1"; }
if ! diff <(undated "$checkout/po/zephlark-utility.pot") <(undated "$fresh"); then
    echo "po/zephlark-utility.pot is out of date: run cmake --build <build> --target update-po," \
        "then translate what it adds to po/*.po."
    exit 1
fi
echo "po/zephlark-utility.pot is current"
