#!/usr/bin/env bash
# Builds the release packages into dist/: the Windows module as Plenorium-<version>-win64.zip, the
# standalone host as plenorium_<version>_amd64.deb and as a relocatable
# plenorium-<version>-linux-x86_64.tar.gz. Installs what is missing first, as the set-up does.
# Uses the Release build in build-release/ (the one the test command also builds).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLENORIUM_WERROR=ON -DPLENORIUM_TESTS=OFF >/dev/null
cmake --build build-release --parallel
mkdir -p dist
(cd build-release && cpack -G DEB >/dev/null && cpack -G TGZ >/dev/null)
cmake --build build-release --target windows_zip >/dev/null
rm -rf dist/_CPack_Packages
ls -1 dist/*.deb dist/*.tar.gz dist/*.zip
