#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# On a system without Debian's package tools, checks the tools and libraries
# the build needs through the PATH and pkg-config instead, goes on when all
# are there and otherwise names what is missing. `deps.sh --game` asks only for
# what the game needs (./play.sh); without it the tests' needs are asked too.
set -euo pipefail
game_only=0
[ "${1:-}" = "--game" ] && game_only=1
packages=(cmake g++ make ninja-build lld pkg-config libgtest-dev libbenchmark-dev libsdl2-dev libfreetype-dev
          libpng-dev libstb-dev libvorbis-dev fonts-dejavu-core fonts-dejavu-extra clang-format
          librsvg2-dev)

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  # Each Debian package above, as another system's build finds it: a program on the PATH,
  # a pkg-config module, or a header (stb ships no pkg-config module everywhere).
  missing=()
  tools=(cmake g++ ninja pkg-config)
  modules=(sdl2 freetype2 libpng vorbisfile ogg librsvg-2.0)
  if [ $game_only -eq 0 ]; then
    tools+=(clang-format)
    modules+=(vorbisenc gtest benchmark)
  fi
  for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("the program $tool")
  done
  if command -v pkg-config >/dev/null 2>&1; then
    for module in "${modules[@]}"; do
      pkg-config --exists "$module" || missing+=("the library $module (pkg-config module)")
    done
  fi
  stb=0
  for dir in /usr/include /usr/local/include /usr/include/stb; do
    [ -f "$dir/stb_image.h" ] && stb=1
  done
  [ $stb -eq 1 ] || missing+=("the header stb_image.h (stb)")
  # The game draws its text with the DejaVu fonts from this one folder.
  [ -f /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf ] ||
    missing+=("the DejaVu fonts in /usr/share/fonts/truetype/dejavu")
  if [ ${#missing[@]} -gt 0 ]; then
    echo "deps.sh: this system has no apt-get or dpkg-query, and these are missing:" >&2
    printf '  %s\n' "${missing[@]}" >&2
    echo "Install them with the system's own package manager (see README.md), then run this again." >&2
    exit 1
  fi
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
