#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/check-format.sh
scripts/build.sh
ctest --test-dir build --output-on-failure --parallel 2
# Every build type must build; Release (-O3) is the one whose optimiser warns most. Its
# warnings are errors too; the tests are built and run in the build above. The release packages
# are made from that build and checked as a user meets them.
scripts/package.sh
tests/packages/check_packages.sh
# The project loader under libFuzzer with ASan and UBSan, for a bounded time.
scripts/fuzz.sh 60
# The whole suite again under ASan, UBSan and the leak checker (without the Windows module, and
# without the check of the documentation's pages, which runs the same commands as the main suite).
scripts/sanitize.sh -LE pages
