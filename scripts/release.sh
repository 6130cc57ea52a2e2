#!/usr/bin/env bash
# Builds the Release configuration into build-release/ and writes the packages
# for Windows users into dist/: Ostrel-<version>-x64.zip (the three stripped
# programs, the sparse package Ostrel.msix and README.txt) and
# Ostrel-<version>-x64-setup.exe. Then checks what the zip holds. With
# OSTREL_SIGN_PFX and OSTREL_SIGN_PASSWORD set, the programs, the package, the
# installer and its uninstaller are signed with that certificate.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${RELEASE_BUILD_DIR:-$root/build-release}
dist=$root/dist

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DOSTREL_TESTS=OFF -DOSTREL_DIST_DIR="$dist" >/dev/null
cmake --build "$build" -j"$(nproc)"

version=$(sed -n 's/^#define OSTREL_VERSION_TEXT "\([0-9.]*\)".*/\1/p' "$root/layout/Version.h")
zip=$dist/Ostrel-$version-x64.zip
setup=$dist/Ostrel-$version-x64-setup.exe

# Every binary in the zip: stripped, under 1 MB, and no mingw runtime DLL
# among its imports (the shell must not load those into its process).
check=$(mktemp -d)
trap 'rm -rf "$check"' EXIT
(cd "$check" && cmake -E tar xf "$zip")
failed=0
for f in ostrelsx.dll OstrelCli.exe OstrelWatch.exe; do
  size=$(stat -c %s "$check/$f")
  imports=$(x86_64-w64-mingw32-objdump -p "$check/$f" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
  printf '%-16s %8d bytes  imports: %s\n' "$f" "$size" "$imports"
  if [ "$size" -ge 1048576 ]; then echo "release: $f is 1 MB or more" >&2; failed=1; fi
  if echo "$imports" | grep -qiE 'libstdc\+\+|libgcc|libwinpthread|msvcp|vcruntime'; then
    echo "release: $f imports a compiler runtime DLL" >&2; failed=1
  fi
  if x86_64-w64-mingw32-objdump -h "$check/$f" | grep -q '\.debug_'; then
    echo "release: $f carries debug information" >&2; failed=1
  fi
done
[ -f "$check/README.txt" ] || { echo "release: README.txt missing from the zip" >&2; failed=1; }
[ -f "$check/Ostrel.msix" ] || { echo "release: Ostrel.msix missing from the zip" >&2; failed=1; }
# With a certificate (OSTREL_SIGN_PFX) everything Windows runs or installs is signed.
if [ -n "${OSTREL_SIGN_PFX:-}" ]; then
  for f in "$check/ostrelsx.dll" "$check/OstrelCli.exe" "$check/OstrelWatch.exe" "$check/Ostrel.msix" "$setup"; do
    rm -f "$check/signature"
    osslsigncode extract-signature -in "$f" -out "$check/signature" >/dev/null 2>&1 ||
      { echo "release: $(basename "$f") is not signed" >&2; failed=1; }
  done
fi
[ "$failed" -eq 0 ] || exit 1
ls -l "$zip" "$setup"
