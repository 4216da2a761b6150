#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
ctest --test-dir build --output-on-failure --parallel 2
# The project loader under libFuzzer with ASan and UBSan, for a bounded time.
scripts/fuzz.sh 60
# The whole suite again under ASan, UBSan and the leak checker (without the Windows module).
scripts/sanitize.sh
