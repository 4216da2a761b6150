#!/usr/bin/env bash
# The whole job users wait for: decode clips, make the wall, encode it. Twenty 1080p H.264 clips
# (2 s, 25 fps) are generated once; then, alternating, each run a few times:
#   ours    plenorium wall: a neutral 5 x 4 wall of the twenty clips, 1920x1080, x264 medium CRF 18
#   ffmpeg  the same wall as an ffmpeg filter graph: scale=384:270:flags=area per clip + xstack,
#           the same encoder settings, output size and frame count
# and ours alone for a framed, turned and tilted wall, a one-frame render of one clip, and the
# neutral wall at --threads 1 and 2 to show how it scales.
# Prints wall time, CPU time (user + system) and peak RSS of each, medians, and the ratios.
# With each pair, the floor no program doing this job can go below: the twenty clips decoded alone
# (one thread each, as ours decodes them) and the wall encoded alone (x264 with our 4 threads); then
# for each program the CPU per frame it spends beyond that floor (the median over the pairs).
# Last, memory over a long render: 1,000 frames of the neutral wall (clips looping, x264
# veryfast), its resident size sampled every 2 s.
#   bench/video_wall_bench.sh [pairs] [extra plenorium options, e.g. --threads 1]
#   LONG_FRAMES=0 leaves out the long render.
set -euo pipefail
cd "$(dirname "$0")/.."
pairs=${1:-3}
shift || true
extra=("$@")
plenorium=$PWD/build/bin/plenorium
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

clips=()
for i in $(seq 1 20); do
  clip=$work/clip$i.mp4
  ffmpeg -v error -f lavfi -i "testsrc2=size=1920x1080:rate=25:duration=2" -vf "hue=h=$((i * 18))" \
    -c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p -g 25 "$clip"
  clips+=("$clip")
done

graph=""
layout=""
for i in $(seq 0 19); do
  graph+="[$i:v]scale=384:270:flags=area[v$i];"
  layout+="$((i % 5 * 384))_$((i / 5 * 270))|"
done
for i in $(seq 0 19); do graph+="[v$i]"; done
graph+="xstack=inputs=20:layout=${layout%|}[out]"
inputs=()
for clip in "${clips[@]}"; do inputs+=(-i "$clip"); done

# Runs a command under /usr/bin/time; appends "wall cpu rss_mb" to the named result file.
measure() {
  local name=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" > /dev/null 2> "$work/stderr" || {
    cat "$work/stderr" >&2
    exit 1
  }
  awk '{ printf "%.2f %.2f %.0f\n", $1, $2 + $3, $4 / 1024 }' "$work/time" >> "$work/$name"
}

ours=("$plenorium" wall "${clips[@]}" --grid 5x4 --size 1920x1080 --gap 0 --fit stretch --end hold
  --crf 18 --preset medium -q "${extra[@]}")
ffmpeg_wall=(ffmpeg -v error -y "${inputs[@]}" -filter_complex "$graph" -map "[out]" -frames:v 50
  -c:v libx264 -preset medium -crf 18 -pix_fmt yuv420p "$work/ffmpeg.mp4")
framed=("$plenorium" wall "${clips[@]}" --grid 5x4 --size 1920x1080 --gap 8 --fit stretch --end hold --frame "Flat 1"
  --set "Screens Transform/Controls/Rotation/Z=8" --set "Z randomize=-100"
  --set "Screens Transform/Controls/Rotation/Y=20" --set "Y randomize=-100"
  --crf 18 --preset medium -q "${extra[@]}")
one=("$plenorium" wall "${clips[0]}" --grid 1x1 --size 1920x1080 --frames 0 -q "${extra[@]}")

# The floor: decoding and encoding alone, the work every program doing this job has to do. It is
# measured within each pair, so that a machine whose speed drifts (a shared virtual machine) moves
# the floor with the two programs, and each pair gives its own figure beyond the floor.
decode=(ffmpeg -v error)
for clip in "${clips[@]}"; do decode+=(-threads 1 -i "$clip"); done
for i in $(seq 0 19); do decode+=(-map "$i:v"); done
decode+=(-frames:v 50 -f null -)
encode=(ffmpeg -v error -y -f rawvideo -pix_fmt yuv420p -s 1920x1080 -r 25 -i "$work/wall.yuv"
  -c:v libx264 -preset medium -crf 18 -threads 4 "$work/encoded.mp4")
for pair in $(seq 1 "$pairs"); do
  rm -f "$work/ours.mp4" "$work/ffmpeg.mp4"
  measure ours "${ours[@]}" -o "$work/ours.mp4"
  measure ffmpeg "${ffmpeg_wall[@]}"
  [ "$pair" -gt 1 ] || ffmpeg -v error -y -i "$work/ours.mp4" -f rawvideo -pix_fmt yuv420p "$work/wall.yuv"
  measure decode "${decode[@]}"
  measure encode "${encode[@]}"
done
rm -f "$work/wall.yuv"
for _ in $(seq 1 "$pairs"); do
  rm -f "$work/framed.mp4"
  measure framed "${framed[@]}" -o "$work/framed.mp4"
done
measure one "${one[@]}" -o "$work/one.png"
for _ in $(seq 1 "$pairs"); do
  for threads in 1 2; do
    rm -f "$work/threads.mp4"
    measure "threads$threads" "${ours[@]}" --threads "$threads" -o "$work/threads.mp4"
  done
done

long_frames=${LONG_FRAMES:-1000}
if [ "$long_frames" -gt 0 ]; then
  "$plenorium" wall "${clips[@]}" --grid 5x4 --size 1920x1080 --gap 0 --fit stretch --end loop \
    --duration "$(awk -v f="$long_frames" 'BEGIN { print f / 25 }')" --preset veryfast -q "${extra[@]}" \
    -o "$work/long.mp4" &
  pid=$!
  start=$(date +%s.%N)
  while kill -0 "$pid" 2> /dev/null; do
    rss=$(awk '/^VmRSS/ { print int($2 / 1024) }' "/proc/$pid/status" 2> /dev/null || true)
    [ -n "$rss" ] && echo "$(awk -v s="$start" -v n="$(date +%s.%N)" 'BEGIN { printf "%.0f", n - s }') $rss" >> "$work/rss"
    sleep 2
  done
  wait "$pid"
fi

frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$work/ours.mp4")
reference=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 "$work/ffmpeg.mp4")
[ "$frames" = "$reference" ] || echo "warning: ours wrote $frames frames, ffmpeg $reference" >&2

# The median of column $2 of file $1.
median() { cut -d' ' -f"$2" "$work/$1" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo "5x4 wall of 20 1080p H.264 clips -> 1080p H.264 (x264 medium, CRF 18), $frames frames, median of $pairs:"
printf "%-34s %8s %8s %9s\n" "" "wall s" "CPU s" "peak MB"
row() { printf "%-34s %8s %8s %9s\n" "$1" "$(median "$2" 1)" "$(median "$2" 2)" "$(median "$2" 3)"; }
row "plenorium wall (neutral)" ours
row "ffmpeg scale+xstack" ffmpeg
awk -v ow="$(median ours 1)" -v fw="$(median ffmpeg 1)" -v oc="$(median ours 2)" -v fc="$(median ffmpeg 2)" \
  -v om="$(median ours 3)" -v fm="$(median ffmpeg 3)" \
  'BEGIN { printf "%-34s %8.2f %8.2f %9.2f\n", "ours / ffmpeg", ow / fw, oc / fc, om / fm }'
row "plenorium wall (framed, turned)" framed
awk -v f="$frames" -v w="$(median framed 1)" 'BEGIN { printf "%-34s %8.2f fps\n", "  framed, turned wall", f / w }'
row "one frame of one clip" one
row "plenorium wall (neutral), 1 thread" threads1
row "plenorium wall (neutral), 2 threads" threads2

decode_cpu=$(median decode 2)
encode_cpu=$(median encode 2)
echo
echo "the floor: decoding and encoding alone (median of $pairs)"
row "decode the 20 clips (1 thread each)" decode
row "encode the wall (x264, 4 threads)" encode
awk -v d="$decode_cpu" -v e="$encode_cpu" -v n="$(nproc)" -v fw="$(median ffmpeg 1)" 'BEGIN {
  printf "%-34s %8.2f s CPU: at least %.2f s on %d cores, %.2f x ffmpeg\n", "  decode + encode", d + e, (d + e) / n, n,
    (d + e) / n / fw }'
# The median over the pairs of each pair's CPU per frame beyond its own floor, for the program whose
# results file is named $1 (ours or ffmpeg).
beyond() {
  paste -d' ' "$work/$1" "$work/decode" "$work/encode" |
    awk -v f="$frames" '{ print 1000 * ($2 - $5 - $8) / f }' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}
printf "%-34s %8.1f ms\n" "  ours beyond the floor, per frame" "$(beyond ours)"
printf "%-34s %8.1f ms\n" "  ffmpeg beyond the floor, per frame" "$(beyond ffmpeg)"
echo "  (each the median over the pairs of that pair's CPU less its own floor)"
echo "  CPU s of each pair, ours / ffmpeg / floor: $(paste -d' ' "$work/ours" "$work/ffmpeg" "$work/decode" "$work/encode" |
  awk '{ printf "%s%.2f / %.2f / %.2f", (NR > 1 ? ", " : ""), $2, $5, $8 + $11 }')"

if [ -s "$work/rss" ]; then
  echo
  echo "resident memory over $long_frames frames of the neutral wall (x264 veryfast), sampled every 2 s:"
  awk '$2 > 0 { n++; t[n] = $1; m[n] = $2; if ($2 > peak) peak = $2 }
    END {
      if (n < 2) { print "  too short to sample: set LONG_FRAMES to a few hundred frames or more"; exit }
      first = int(n / 10) + 1
      printf "  at %s s: %s MB; at %s s (the end): %s MB; peak %s MB\n", t[first], m[first], t[n], m[n], peak
      printf "  growth after the first tenth: %+d MB (%+.1f %%)\n", m[n] - m[first], 100 * (m[n] - m[first]) / m[first]
    }' "$work/rss"
fi
