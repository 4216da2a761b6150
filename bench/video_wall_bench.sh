#!/usr/bin/env bash
# Decode + render + encode throughput of a 1080p video wall: a 1080p source clip is made first,
# then a 5 x 4 wall of it (random source times, tilts and rotations, a built-in frame) is rendered
# from that clip to an H.264 file. Prints frames per second of the wall render.
#   bench/video_wall_bench.sh [frames]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-50}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
plenorium=build/bin/plenorium

cat > "$work/source.json" <<JSON
{ "items": [
  { "name": "g", "type": "pattern", "pattern": "gradient", "width": 1920, "height": 1080, "duration": 20 },
  { "name": "c", "type": "pattern", "pattern": "counter", "width": 1920, "height": 1080, "duration": 20 },
  { "name": "Clip", "type": "comp", "width": 1920, "height": 1080, "fps": 25, "duration": 20,
    "layers": [ { "name": "Counter", "source": "c", "transform": { "opacity": 60 } }, { "name": "G", "source": "g" } ] } ] }
JSON
$plenorium render "$work/source.json" -o "$work/clip.mp4" --frames 0-$((frames + 30)) -q

cat > "$work/wall.json" <<JSON
{ "items": [
  { "name": "clip", "type": "footage", "path": "clip.mp4" },
  { "name": "base", "type": "solid", "width": 1920, "height": 1080, "color": [0, 0, 0, 0] },
  { "name": "Main", "type": "comp", "width": 1920, "height": 1080, "fps": 25, "duration": 10,
    "layers": [
      { "name": "Wall", "source": "base", "effects": [ { "matchName": "KTRM_Plenorium", "params": {
        "Source 1": "Clip", "Columns": 5, "Rows": 4, "Screen Width": 360, "Screen Height": 250, "Gap X": 8, "Gap Y": 8,
        "Source time": 1, "Source order": true,
        "Screens Transform/Controls/Rotation/Z": 8, "Z randomize": -100,
        "Screens Transform/Controls/Rotation/Y": 20, "Y randomize": -100,
        "TV Frame/Frame image": "Flat 1" } } ] },
      { "name": "Clip", "source": "clip", "visible": false } ] } ] }
JSON
start=$(date +%s.%N)
$plenorium render "$work/wall.json" -o "$work/wall.mp4" --frames 0-$((frames - 1)) -q
end=$(date +%s.%N)
awk -v f="$frames" -v s="$start" -v e="$end" 'BEGIN { printf "1080p video wall, decode + render + encode: %d frames in %.1f s = %.2f fps\n", f, e - s, f / (e - s) }'
