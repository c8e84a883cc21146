#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
# Tests start their own Xvfb servers, umockdev testbeds and private D-Bus buses as they need them.
ctest --test-dir build --output-on-failure -j 2
# The same under AddressSanitizer, UndefinedBehaviorSanitizer and ThreadSanitizer (clang trees).
scripts/test-sanitizers.sh
# The Debian package, installed and started for real.
scripts/package-test.sh
# The Windows build under wine (cross-compiled; wxMSW cached in /var/cache/zephlark-wxmsw).
scripts/windows-test.sh
