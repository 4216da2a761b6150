#!/usr/bin/env bash
# Checks that every C and C++ source follows .clang-format (clang-format 14, as the set-up
# installs it); `scripts/check-format.sh --fix` formats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format || true)
[ -n "$format" ] || { echo "check-format.sh: clang-format 14 is not installed (scripts/install-deps.sh installs it)" >&2; exit 2; }
# Tracked files and new ones not yet added (but not what .gitignore leaves out), so that a file
# is formatted before its first commit.
mapfile -t sources < <(git ls-files --cached --others --exclude-standard '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  "$format" -i "${sources[@]}"
  exit 0
fi
if ! "$format" --dry-run --Werror "${sources[@]}" 2> /tmp/check-format.$$; then
  grep -E '^[^ ].*: (error|warning):' /tmp/check-format.$$ | cut -d: -f1 | sort -u | sed 's/^/not formatted: /' >&2
  rm -f /tmp/check-format.$$
  echo "check-format.sh: run scripts/check-format.sh --fix" >&2
  exit 1
fi
rm -f /tmp/check-format.$$
