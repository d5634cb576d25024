#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test the project:
# the i686 mingw-w64 cross compiler, wine with its 32-bit part, and the
# tools the tests read binaries with, the HTTP library of panel_host serve
# and the headless browser its tests drive. Safe to run again: it installs only
# what is missing and does nothing when everything is there.
set -euo pipefail

packages=(
  g++-mingw-w64-i686-posix
  binutils-mingw-w64-i686
  wine
  wine32:i386
  python3-pefile
  clang
  lld
  llvm
  cmake
  ninja-build
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
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  # dpkg-query names foreign packages with their architecture; plain names mean native
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: everything is installed"
  exit 0
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
echo "setup: done"
