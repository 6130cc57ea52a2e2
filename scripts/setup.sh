#!/usr/bin/env bash
# Installs everything the Windows cross build and the Wine test run need.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

packages=(
  g++-mingw-w64-x86-64-posix
  gcc-mingw-w64-x86-64-posix
  mingw-w64-tools
  libwine-dev
  wine64
  wine
  xvfb
  xauth
  x11-utils
  imagemagick
  googletest
  nsis
  cmake
  make
  python3
  osslsigncode
  openssl
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=
[ "$(id -u)" -eq 0 ] || SUDO=sudo
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# The posix-threads flavour of the cross compiler gives std::mutex and friends.
if command -v update-alternatives >/dev/null; then
  $SUDO update-alternatives --set x86_64-w64-mingw32-g++ /usr/bin/x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || true
  $SUDO update-alternatives --set x86_64-w64-mingw32-gcc /usr/bin/x86_64-w64-mingw32-gcc-posix >/dev/null 2>&1 || true
fi
