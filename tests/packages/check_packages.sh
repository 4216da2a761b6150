#!/usr/bin/env bash
# Checks the release packages in dist/ as a user meets them: the Windows zip holds exactly the
# module, its nine frame pictures and README.txt, and the module exports only its entry point and
# carries its descriptor and version resources; the Debian package declares its dependencies and,
# unpacked into an empty folder, runs from another folder with the module and pictures it brought;
# the .tar.gz tree does the same; the man page names every sub-command.
set -euo pipefail
cd "$(dirname "$0")/../.."
fail() { echo "FAIL: $*" >&2; exit 1; }
effect_version=$(sed -n 's/^inline constexpr int \(MAJOR\|MINOR\|BUG\)_VERSION = \([0-9]*\);/\2/p' plugin/entry/descriptor.h | paste -sd.)
build_number=$(sed -n 's/^inline constexpr int BUILD_VERSION = \([0-9]*\);/\1/p' plugin/entry/descriptor.h)
host_version=$(sed -n 's/^project(plenorium VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=dist/Plenorium-$effect_version-win64.zip deb=dist/plenorium_${host_version}_amd64.deb
tgz=dist/plenorium-$host_version-linux-x86_64.tar.gz
for f in "$zip" "$deb" "$tgz"; do [ -s "$f" ] || fail "$f was not made"; done
work=$(mktemp -d /tmp/plenorium-packages.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The Windows zip.
python3 - "$zip" "$work/zip" "$effect_version" "$build_number" build-release/plugin/pipl.bin <<'PY'
import subprocess, sys, zipfile
path, out, version, build, pipl = sys.argv[1:]
names = sorted(n for n in zipfile.ZipFile(path).namelist() if not n.endswith("/"))
pictures = sorted(f"Plenorium/Resources/{n}" for n in
                  [f"FLAT_SCREEN_FRAME-1920x1080_0{i}.png" for i in range(1, 8)] +
                  ["NARROW_FRAME-1920x1080_08.png", "RETRO_09-1920x1080.png"])
expected = sorted(["Plenorium/Plenorium.aex", "Plenorium/README.txt"] + pictures)
assert names == expected, f"the zip holds {names}"
zipfile.ZipFile(path).extractall(out)
readme = open(f"{out}/Plenorium/README.txt").read()
for words in [version, "Quorvix > Plenorium Maker", "Resources folder must stay beside Plenorium.aex"]:
    assert words in readme, f"README.txt does not say {words!r}"
module = open(f"{out}/Plenorium/Plenorium.aex", "rb").read()
assert open(pipl, "rb").read() in module, "the module lacks its PIPL descriptor"
for text in ["FileVersion", f"{version}.{build}", "ProductVersion", "Plenorium Maker", "FileDescription"]:
    assert text.encode("utf-16-le") in module, f"the version resource lacks {text!r}"
dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", f"{out}/Plenorium/Plenorium.aex"],
                      check=True, capture_output=True, text=True).stdout
table = dump.split("[Ordinal/Name Pointer] Table", 1)[1].split("\n\n", 1)[0]
exports = [line.split()[-1] for line in table.strip().splitlines()]
assert exports == ["EntryPointFunc"], f"the module exports {exports}"
PY

# The Debian package: its dependencies, and its tree run from elsewhere.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libavcodec libavformat libswscale libpng16 libturbojpeg libc6; do
  [[ $depends == *"$lib"* ]] || fail "the package does not depend on $lib: $depends"
done
mkdir -p "$work/deb" "$work/elsewhere"
dpkg-deb -x "$deb" "$work/deb"
run_tree() {  # the command of an unpacked tree, from a folder of its own
  local command=$1
  local about
  about=$(cd "$work/elsewhere" && "$command" about) || fail "$command about failed"
  [[ $about == Plenorium,\ v* ]] || fail "$command about says: $about"
  (cd "$work/elsewhere" && rm -rf out && "$command" render --frames 50-51 -o out/ -q && [ -s out/demo_0051.png ]) ||
    fail "$command does not render the demo with what it brought"
}
run_tree "$work/deb/usr/bin/plenorium"
man=$(zcat "$work/deb/usr/share/man/man1/plenorium.1.gz")
for sub in about check comps params render wall preview farm; do
  grep -qw "$sub" <<<"$man" || fail "the man page does not name '$sub'"
done
bash -n "$work/deb/usr/share/bash-completion/completions/plenorium" || fail "the completion does not parse"

# The relocatable tree.
mkdir -p "$work/tgz"
tar -xzf "$tgz" -C "$work/tgz"
run_tree "$work/tgz/plenorium-$host_version-linux-x86_64/bin/plenorium"
echo "packages: $zip, $deb, $tgz checked"
