#!/usr/bin/env bash
# Installs what is missing, builds, and renders the built-in demo to out/demo/ and out/demo.mp4,
# and the footage example (generated clips with sound) to out/clips_wall.mp4.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
build/bin/plenorium render
build/bin/plenorium render -o out/demo.mp4 -q
scripts/make-example-clips.sh
build/bin/plenorium render examples/clips_wall.json -o out/clips_wall.mp4 -q
echo "The demo is in out/demo/ (frames) and out/demo.mp4; the footage example in out/clips_wall.mp4" >&2
