#!/usr/bin/env bash
# Builds the project loader's libFuzzer target with clang, ASan and UBSan into ./build-fuzz and runs
# it for SECONDS (default 60), seeded with the example projects and a dictionary of keys and
# control names. Needs the main build (scripts/build.sh) for the effect module. A crash leaves its
# input in build-fuzz/findings/ and ends with a non-zero status.
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[ -f build/bin/Plenorium.aex ] || { echo "fuzz.sh: build the project first (scripts/build.sh)" >&2; exit 2; }
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPLENORIUM_FUZZ=ON -DPLENORIUM_TESTS=OFF -DPLENORIUM_WINDOWS=OFF -DPLENORIUM_WERROR=OFF \
  -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_CXX_FLAGS="$sanitizers" > /dev/null
cmake --build build-fuzz --target project_loader_fuzz
corpus=build-fuzz/corpus
mkdir -p "$corpus" build-fuzz/findings
cp examples/*.json "$corpus"/
echo "fuzzing the project loader for ${seconds} s" >&2
PLENORIUM_FUZZ_MODULE=$(readlink -f build/bin/Plenorium.aex) \
ASAN_OPTIONS=detect_leaks=0:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  build-fuzz/bin/project_loader_fuzz "$corpus" -dict=tests/fuzz/project_loader.dict -seed=1 \
  -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -artifact_prefix=build-fuzz/findings/ \
  -print_final_stats=1 2>&1 | grep -vE '^(#[0-9]|"|###### )' || exit "${PIPESTATUS[0]}"
