#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the project:
# the i686 mingw-w64 cross compiler, wine with its 32-bit part, doxygen for
# the API reference, the tools the tests read binaries with, the compiler
# cache builds go through, the HTTP library of panel_host serve, the
# headless browser its tests drive and gcovr for a panel's coverage report.
# Safe to run again: it installs only what is missing and does nothing when
# everything is there.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix
  binutils-mingw-w64-i686
  wine
  wine32:i386
  python3-pefile
  clang
  clang-format
  procps
  lld
  llvm
  cmake
  ninja-build
  ccache
  googletest
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  libclang-rt-14-dev
  valgrind
  libcli11-dev
  libcpp-httplib-dev
  chromium
  chromium-driver
  python3-selenium
  librsvg2-bin
  doxygen
  python3-yaml
  gcovr
)

add_i386=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then add_i386=1; fi

missing=()
for p in "${packages[@]}"; do
  # dpkg-query names foreign packages with their architecture; plain names mean native
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ] && [ $add_i386 -eq 0 ]; then
  echo "setup: everything is installed"
  exit 0
fi

# Installing needs root: as root directly, otherwise through sudo when there
# is one. Without either, say what is missing and how to install it.
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    install="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
    if [ $add_i386 -eq 1 ]; then install="dpkg --add-architecture i386 && $install"; fi
    what="${missing[*]}"
    if [ $add_i386 -eq 1 ]; then what="$what (and the i386 architecture)"; fi
    echo "setup: missing: $what" >&2
    echo "setup: there is no sudo here; as root, run:" >&2
    echo "  $install" >&2
    exit 1
  fi
  sudo_cmd=(sudo)
fi

if [ $add_i386 -eq 1 ]; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
echo "setup: done"
