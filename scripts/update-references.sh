#!/usr/bin/env bash
# Renders the reference pictures of the wall again (tests/data/references). Look at the changed
# pictures before committing them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
PLENORIUM_UPDATE_REFERENCES=1 build/bin/integration_tests --gtest_filter='Reference.*'
git status --short tests/data/references
