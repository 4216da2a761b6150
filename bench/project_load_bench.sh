#!/usr/bin/env bash
# Loading a project is linear in its items: `plenorium comps` and `check` on projects of 50,000 to
# 400,000 solids (and a composition of 2,000 layers naming them), each timed once.
# Usage: bench/project_load_bench.sh [build/bin/plenorium]
set -euo pipefail
plenorium=${1:-build/bin/plenorium}
dir=$(mktemp -d /tmp/plenorium-load-bench.XXXXXX)
trap 'rm -rf "$dir"' EXIT
printf '%8s %8s %10s %10s\n' items MB comps_s check_s
for n in 50000 100000 200000 400000; do
  python3 - "$n" "$dir/p.json" <<'PY'
import json, sys
n, path = int(sys.argv[1]), sys.argv[2]
items = [{"name": "s%d" % i, "type": "solid", "width": 16, "height": 16, "color": [1, 0, 0, 1]} for i in range(n)]
items.append({"name": "Main", "type": "comp", "width": 64, "height": 36, "fps": 25, "duration": 0.04,
              "layers": [{"name": "L%d" % i, "source": "s%d" % (i * 97 % n)} for i in range(2000)]})
json.dump({"items": items}, open(path, "w"))
PY
  seconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    printf '%d.%02d' $(((end - start) / 1000000000)) $(((end - start) / 10000000 % 100))
  }
  printf '%8d %8d %10s %10s\n' "$n" $(( $(stat -c %s "$dir/p.json") >> 20 )) \
    "$(seconds "$plenorium" comps "$dir/p.json")" "$(seconds "$plenorium" check "$dir/p.json")"
done
