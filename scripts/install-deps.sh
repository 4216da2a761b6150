#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev libpng-dev
  libopencv-dev libopenimageio-dev duktape-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  g++-mingw-w64-x86-64 wine64
  clang libclang-rt-14-dev clang-format-14 zlib1g-dev
  ffmpeg
  slurm-wlm munge
  libcpp-httplib-dev libturbojpeg0-dev help2man dpkg-dev
  chromium chromium-driver python3-selenium
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}" >&2
  sudo_cmd=()
  [[ $(id -u) -eq 0 ]] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
