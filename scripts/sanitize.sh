#!/usr/bin/env bash
# Builds the project with ASan and UBSan into ./build-asan (without the Windows module) and runs the
# whole test suite there; any report stops the test that made it.
#   scripts/sanitize.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
# Warnings are the main build's business: under the sanitizers GCC reports false ones in the
# standard library.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPLENORIUM_WINDOWS=OFF -DPLENORIUM_WERROR=OFF \
  -DCMAKE_C_FLAGS="$sanitizers" -DCMAKE_CXX_FLAGS="$sanitizers" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DCMAKE_MODULE_LINKER_FLAGS="-fsanitize=address,undefined" \
  > /dev/null
cmake --build build-asan --parallel
ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure --parallel 2 "$@"
