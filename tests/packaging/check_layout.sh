#!/usr/bin/env bash
# Checks an installed tree the way a Linux desktop reads it: exactly the expected files under /usr,
# each where the desktop looks for it, and the desktop entry, its icons and the AppStream data all
# pointing at each other. Prints one line per failed check and exits non-zero when any failed.
# Usage: check_layout.sh ROOT     (ROOT holds usr/..., from DESTDIR=ROOT or dpkg -x)
set -uo pipefail
root=${1:?usage: check_layout.sh ROOT}
usr=$root/usr
app_id=com.orvex.ZephlarkUtility
desktop_file=share/applications/$app_id.desktop
metainfo_file=share/metainfo/$app_id.metainfo.xml
icon_sizes=(16 32 48 256)

expected=(
    bin/zephlark-utility
    bin/zephlark-cli
    share/man/man1/zephlark-utility.1.gz
    share/man/man1/zephlark-cli.1.gz
    lib/udev/rules.d/60-zephlark.rules
    "$desktop_file"
    "$metainfo_file"
    share/icons/hicolor/scalable/apps/zephlark-utility.svg
    share/doc/zephlark-utility/copyright
    share/doc/zephlark-utility/changelog.gz
    share/doc/zephlark-utility/zephlark-cli.schema.json
)
for size in "${icon_sizes[@]}"; do
    expected+=("share/icons/hicolor/${size}x$size/apps/zephlark-utility.png")
done
# One compiled catalog for each translation in po/.
for catalog in "$(dirname "$0")"/../../po/*.po; do
    expected+=("share/locale/$(basename "$catalog" .po)/LC_MESSAGES/zephlark-utility.mo")
done

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Anything extra (the demo program, a test, a build-tree path) must not reach a user's /usr.
actual=$(cd "$root" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
wanted=$(printf 'usr/%s\n' "${expected[@]}" | sort)
while read -r path; do
    [ -n "$path" ] && fail "unexpected file /$path"
done < <(comm -23 <(echo "$actual") <(echo "$wanted"))
while read -r path; do
    [ -n "$path" ] && fail "missing file /$path"
done < <(comm -13 <(echo "$actual") <(echo "$wanted"))

# File modes, icon sizes and the desktop entry's Exec line are lintian's (scripts/package-test.sh);
# it does not follow the entry's Icon, which must name the icons expected above.
icon=$(sed -n "s/^Icon=//p" "$usr/$desktop_file" 2>/dev/null | head -n 1)
[ "$icon" = zephlark-utility ] || fail "the desktop entry's icon \"$icon\" is not the installed one"

# dpkg and the archive's tools read the copyright file as fields: a licence line that lost its
# leading space would end the field, and lintian does not look (it does miss a holder).
sed -n '/^License: Expat$/,$p' "$usr/share/doc/zephlark-utility/copyright" | tail -n +2 | grep -qv '^ ' &&
    fail "the copyright file's licence text has an unindented line"

# validate-tree validates the metainfo and checks that its launchable names an installed desktop
# entry. desktop-file-validate exits 0 on warnings (deprecated keys and the like): they fail too.
appstreamcli validate-tree --no-net "$root" || fail "appstreamcli validate-tree rejects the installed tree"
entry_problems=$(desktop-file-validate "$usr/$desktop_file" 2>&1)
[ -z "$entry_problems" ] || fail "desktop-file-validate: $entry_problems"

[ "$failures" -eq 0 ] && echo "The installed tree is complete: ${#expected[@]} files in place"
[ "$failures" -eq 0 ]
