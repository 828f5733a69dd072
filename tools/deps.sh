#!/usr/bin/env bash
# Installs the Debian packages the build needs, only those that are missing.
# On a system without Debian's package tools, checks the tools and libraries
# the build needs through the PATH and pkg-config instead, goes on when all
# are there and otherwise names what is missing. `deps.sh --game` asks only for
# what the game needs (./play.sh); without it the tests' needs are asked too.
set -euo pipefail
game_only=0
[ "${1:-}" = "--game" ] && game_only=1
packages=(cmake g++ ninja-build pkg-config libsdl2-dev libfreetype-dev libpng-dev libstb-dev libvorbis-dev
          fonts-dejavu-core fonts-dejavu-extra librsvg2-dev)
# The tests' and the benchmarks' own needs; lld only speeds up their links.
[ $game_only -eq 1 ] || packages+=(make lld libgtest-dev libbenchmark-dev clang-format)

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  # Each Debian package above, as another system's build finds it: a program on the PATH,
  # a pkg-config module, or a header (stb ships no pkg-config module everywhere).
  missing=()
  tools=(cmake g++ ninja pkg-config)
  # The content tools that write the game's sounds link the Vorbis encoder.
  modules=(sdl2 freetype2 libpng vorbisfile ogg vorbisenc librsvg-2.0)
  if [ $game_only -eq 0 ]; then
    tools+=(clang-format)
    modules+=(gtest benchmark)
  fi
  for tool in "${tools[@]}"; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("the program $tool")
  done
  # Without pkg-config, its modules are looked for as pkg-config itself would:
  # the .pc files in PKG_CONFIG_PATH and PKG_CONFIG_LIBDIR or the usual folders.
  # So one round names the modules that are missing along with pkg-config.
  pc_dirs=()
  IFS=: read -ra pc_dirs <<<"${PKG_CONFIG_PATH:-}:${PKG_CONFIG_LIBDIR-}"
  if [ -z "${PKG_CONFIG_LIBDIR+set}" ]; then
    pc_dirs+=(/usr/lib*/pkgconfig /usr/lib/*/pkgconfig /usr/share/pkgconfig /usr/libdata/pkgconfig
              /usr/local/lib*/pkgconfig /usr/local/lib/*/pkgconfig /usr/local/share/pkgconfig
              /usr/local/libdata/pkgconfig)
  fi
  for module in "${modules[@]}"; do
    if command -v pkg-config >/dev/null 2>&1; then
      pkg-config --exists "$module" && continue
    else
      found=0
      for dir in "${pc_dirs[@]}"; do
        [ -n "$dir" ] && [ -f "$dir/$module.pc" ] && found=1
      done
      [ $found -eq 1 ] && continue
    fi
    missing+=("the library $module (pkg-config module)")
  done
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
