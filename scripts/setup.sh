#!/usr/bin/env bash
# Installs, as root, exactly the Debian packages the build and the tests need
# that are missing. Quick when nothing is missing. --run: only what building
# the installed libraries needs; --bench: the benchmarks' peers too.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config binutils
  zlib1g-dev libjpeg62-turbo-dev
  # the scanner library's header (SANE itself is loaded at run time)
  libsane-dev
  # the desktop's opener, which the shell runs to open documents and addresses
  xdg-utils
)
[[ "${1:-}" == "--run" ]] || packages+=(
  libgtest-dev libgmock-dev
  # fuzzing
  clang-14 libclang-rt-14-dev
  # oracles: independent programs that read what we write and write what we read
  libtiff-tools pngcheck libjpeg-turbo-progs netpbm imagemagick giflib-tools
  # file(1): format, size, depth and resolution of BMP, PCX, PNG and JPEG files
  file
  # SANE and its test device, with scanimage as the scanner tests' oracle
  libsane1 sane-utils
  # system fonts through the Qt font engine (the display backend's library)
  qt6-base-dev libx11-dev libxcb1-dev fonts-ipafont-gothic fonts-dejavu-core
  # screen tests: a virtual X server, pointer input and the clipboard from outside
  xvfb xauth xdotool xclip
)
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(libbenchmark-dev libtiff-dev libpng-dev libturbojpeg0-dev libopencv-dev libvips-dev)
fi

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} > 0)); then
  echo "setup: installing ${missing[*]}"
  apt_get=(apt-get)
  [[ $(id -u) -eq 0 ]] || apt_get=(sudo apt-get)
  "${apt_get[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi
