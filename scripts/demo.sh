#!/usr/bin/env bash
# Installs what is missing, builds, and renders the built-in demo to out/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/bin/plenorium render
echo "The demo frames are in out/demo/" >&2
