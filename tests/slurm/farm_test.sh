#!/usr/bin/env bash
# `plenorium farm slurm` on the one-machine cluster: a 200-frame wall in 4 chunks gives the same
# PNG sequence, byte for byte, as one process, and a joined video whose decoded frames are those of
# one process; a cancelled task fails the join, and running the command again redoes its chunk.
set -euo pipefail
source_dir=$1
plenorium=$2
dir=$(mktemp -d /tmp/plenorium-farm-test.XXXXXX)
export PLENORIUM_SLURM_PORT=$((20000 + ($$ + 7) % 20000))
export SLURM_CONF=$dir/slurm/slurm.conf
cleanup() {
  "$source_dir/scripts/slurm-local.sh" stop "$dir/slurm" || true
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
wait_for_queue() {
  for _ in $(seq 600); do
    [ -z "$(squeue -h)" ] && return
    sleep 0.2
  done
  fail "the jobs did not finish: $(squeue -h)"
}
"$source_dir/scripts/slurm-local.sh" start "$dir/slurm"

# A clip with a tone, whose sound the video takes.
ffmpeg -v error -f lavfi -i testsrc=size=192x108:rate=25:duration=8 -f lavfi -i sine=frequency=440:duration=8 \
  -c:v libx264 -pix_fmt yuv420p -c:a aac -shortest "$dir/tone.mp4"
cat > "$dir/wall.json" <<'JSON'
{ "render": { "comp": "Main", "audio": "Tone" },
  "items": [
    { "name": "tone", "type": "footage", "path": "tone.mp4" },
    { "name": "bars", "type": "pattern", "pattern": "bars", "width": 192, "height": 108, "fps": 25, "duration": 8 },
    { "name": "counter", "type": "pattern", "pattern": "counter", "width": 192, "height": 108, "fps": 25, "duration": 8 },
    { "name": "Main", "type": "comp", "width": 192, "height": 108, "fps": 25, "duration": 8,
      "layers": [
        { "name": "Wall", "source": "bars",
          "effects": [ { "matchName": "KTRM_Plenorium", "params": { "Columns": 4, "Rows": 3, "Screen Width": 44,
            "Screen Height": 30, "Gap X": 2, "Gap Y": 2, "Source 1": "Bars", "Source 2": "Counter",
            "Source order": true, "Source time": 2, "Per screen time offset": 0.5,
            "Screens Transform/Controls/Rotation/Z": { "keyframes": [[0, 0], [8, 90]] } } } ] },
        { "name": "Bars", "source": "bars", "visible": false },
        { "name": "Counter", "source": "counter", "visible": false },
        { "name": "Tone", "source": "tone", "visible": false } ] } ] }
JSON
cd "$dir"
"$plenorium" render wall.json -o one/f_####.png --quiet
"$plenorium" render wall.json -o one.mp4 --crf 0 --quiet
[ "$(ls one | wc -l)" -eq 200 ] || fail "the one-process render made $(ls one | wc -l) pictures"

# The sequence, in 4 chunks.
"$plenorium" farm slurm wall.json -o farm/f_####.png --chunk 50
wait_for_queue
grep -q "all 4 chunks are done" farm/.plenorium-farm/logs/join.log || fail "the join did not run"
for f in one/*.png; do cmp -s "$f" "farm/$(basename "$f")" || fail "farm/$(basename "$f") differs"; done
[ "$(ls farm | wc -l)" -eq 200 ] || fail "the farm made $(ls farm | wc -l) pictures"

# The video, as 4 segments joined without encoding again (lossless, so that the frames compare).
"$plenorium" farm slurm wall.json -o farm.mp4 --crf 0 --chunk 50
wait_for_queue
[ -f farm.mp4 ] || fail "no joined video; join log: $(cat farm.mp4.farm/logs/join.log)"
frames() { ffmpeg -v error -i "$1" -map 0:v -f framemd5 - | grep -v '^#' | awk -F, '{print $NF}'; }
[ "$(frames farm.mp4 | wc -l)" -eq 200 ] || fail "the joined video has $(frames farm.mp4 | wc -l) frames"
[ "$(frames farm.mp4)" = "$(frames one.mp4)" ] || fail "the joined video's frames differ from one process's"
errors=$(ffmpeg -v error -i farm.mp4 -f null - 2>&1)
[ -z "$errors" ] || fail "the joined video does not play through: $errors"
# The sound is there, whole: as long and as loud as one process's.
duration() { ffprobe -v error -select_streams a:0 -show_entries stream=duration -of csv=p=0 "$1"; }
volume() { ffmpeg -i "$1" -map 0:a -af volumedetect -f null - 2>&1 | sed -n 's/.*mean_volume: \(.*\) dB/\1/p'; }
farm_s=$(duration farm.mp4) one_s=$(duration one.mp4) farm_db=$(volume farm.mp4) one_db=$(volume one.mp4)
[ -n "$farm_s" ] && [ -n "$farm_db" ] || fail "the joined video has no sound"
awk -v a="$farm_s" -v b="$one_s" 'BEGIN { exit !(a > 7.9 && (a - b) ^ 2 < 0.05 ^ 2) }' ||
  fail "the joined sound lasts $farm_s s, one process's $one_s s"
awk -v a="$farm_db" -v b="$one_db" 'BEGIN { exit !(a > -40 && (a - b) ^ 2 < 0.5 ^ 2) }' ||
  fail "the joined sound's mean volume is $farm_db dB, one process's $one_db dB"
echo "sound: $farm_s s at $farm_db dB (one process: $one_s s at $one_db dB)"

# A task that is cancelled: its chunk has no record, the join does not run, the re-run redoes it.
out=$("$plenorium" farm slurm wall.json -o again/f_####.png --chunk 50 --max-parallel 1)
array=$(echo "$out" | sed -n 's/.* as job \([0-9]*\), the join.*/\1/p')
[ -n "$array" ] || fail "no job id in: $out"
scancel "${array}_3"
wait_for_queue
[ ! -f again/.plenorium-farm/done/chunk-3 ] || fail "the cancelled chunk has a record"
! grep -qs "all 4 chunks are done" again/.plenorium-farm/logs/join.log || fail "the join ran without chunk 3"
out=$("$plenorium" farm slurm wall.json -o again/f_####.png --chunk 50)
echo "$out" | grep -q "1 of 4 chunks submitted" || fail "the re-run did not submit chunk 3 alone: $out"
wait_for_queue
grep -q "all 4 chunks are done" again/.plenorium-farm/logs/join.log || fail "the join did not run after the re-run"
for f in one/*.png; do cmp -s "$f" "again/$(basename "$f")" || fail "again/$(basename "$f") differs"; done

pids=$(cat "$dir"/slurm/*.pid)
"$source_dir/scripts/slurm-local.sh" stop "$dir/slurm"
for pid in $pids; do ! kill -0 "$pid" 2>/dev/null || fail "daemon $pid still runs after stop"; done
echo "ok: sequence and video farmed in 4 chunks match one process; a cancelled chunk was redone"
