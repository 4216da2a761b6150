#!/usr/bin/env bash
# The farm's job scripts with hostile names: an output named with each of the shell's special
# characters renders (through a stub sbatch that runs the scripts at once) to exactly that name and
# runs nothing else; a name or partition with a line break is refused before anything is written.
set -euo pipefail
plenorium=$1
dir=$(mktemp -d /tmp/plenorium-farm-quoting.XXXXXX)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# sbatch that runs the script in place: each array task, then the join.
mkdir "$dir/bin"
cat > "$dir/bin/sbatch" <<'STUB'
#!/usr/bin/env bash
script=${!#}
tasks=$(sed -n 's/^#SBATCH --array=\([0-9,]*\).*/\1/p' "$script")
if [ -n "$tasks" ]; then
  for t in ${tasks//,/ }; do SLURM_ARRAY_TASK_ID=$t bash "$script" >/dev/null 2>&1 || exit 1; done
else
  bash "$script" >/dev/null 2>&1 || exit 1
fi
echo 1
STUB
chmod +x "$dir/bin/sbatch"
export PATH="$dir/bin:$PATH"

cat > "$dir/p.json" <<'JSON'
{ "items": [
    { "name": "bars", "type": "pattern", "pattern": "bars", "width": 32, "height": 18, "fps": 25, "duration": 0.12 },
    { "name": "Main", "type": "comp", "width": 32, "height": 18, "fps": 25, "duration": 0.12,
      "layers": [ { "name": "Wall", "source": "bars", "effects": [ { "matchName": "KTRM_Plenorium" } ] } ] } ] }
JSON
cd "$dir"
names=('$(touch pwned)' 'back\slash' 'tick`touch pwned`' "single'quote" 'double"quote' 'semi;touch pwned'
  'and&touch pwned' 'pipe|touch pwned' 'less<in' 'more>pwned' 'star*')
i=0
for name in "${names[@]}"; do
  i=$((i + 1))
  mkdir "run$i"
  "$plenorium" farm slurm p.json -o "run$i/$name.mp4" --chunk 2 >/dev/null 2>"run$i.err" ||
    fail "the farm render to '$name.mp4' failed: $(cat "run$i.err")"
  [ -f "run$i/$name.mp4" ] || fail "no video named '$name.mp4': $(ls "run$i")"
done
stray=$(find . -name 'pwned*' -o -name 'in' | head -5)
[ -z "$stray" ] || fail "a name ran as a command: $stray"

# Line breaks are refused, with nothing written and no job submitted.
mkdir nl
if "$plenorium" farm slurm p.json -o $'nl/a\ntouch pwned\n.mp4' 2>nl.err; then fail "a line break in the output was taken"; fi
grep -q "line break" nl.err || fail "the refusal does not say why: $(cat nl.err)"
if "$plenorium" farm slurm p.json -o nl/b.mp4 --partition $'x\n#SBATCH --wrap=touch' 2>nl.err; then
  fail "a line break in --partition was taken"
fi
grep -q "line break" nl.err || fail "the refusal does not say why: $(cat nl.err)"
[ -z "$(ls -A nl)" ] || fail "a refused farm render left files: $(ls -A nl)"
[ ! -e pwned ] || fail "a line break ran a command"
echo "ok: ${#names[@]} names rendered as they are, line breaks refused"
