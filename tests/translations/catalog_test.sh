#!/usr/bin/env bash
# A translation catalog compiles (msgfmt --check also compares each translation's placeholders with
# its text's, and --check-accelerators that a menu text keeps exactly one "&" mnemonic) and
# translates every text of the template, none of them left fuzzy; prints the entries that want a
# translator otherwise.
# Usage: catalog_test.sh CATALOG.po TEMPLATE.pot
set -euo pipefail
catalog=$1
template=$2
msgfmt --check --check-accelerators="&" --output-file=/dev/null "$catalog"
merged=$(msgmerge --quiet --no-fuzzy-matching "$catalog" "$template" --output-file=-)
# Each selection starts with the catalog's header entry, up to the first empty line.
incomplete=$(for selection in --untranslated --only-fuzzy; do
    msgattrib "$selection" --no-obsolete <<<"$merged" | sed '1,/^$/d'
done)
if [ -n "$incomplete" ]; then
    echo "$catalog lacks these translations (cmake --build build --target update-po merges new texts):"
    echo "$incomplete"
    exit 1
fi
echo "$catalog translates all $(($(grep -c "^msgid " "$template") - 1)) texts of the template"
