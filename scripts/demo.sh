#!/usr/bin/env bash
# Installs what is missing, builds, and shows the effect.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/bin/plenorium about
