#!/usr/bin/env bash
# Configures and builds the project into ./build (Ninja, warnings as errors).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLENORIUM_WERROR=ON >/dev/null
cmake --build build --parallel
