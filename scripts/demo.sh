#!/usr/bin/env bash
# The demo: builds what is missing, starts Xvfb, Wine and the desktop host with
# sample files, then saves, shuffles and restores the desktop with OstrelCli
# (as its own process against deskhost.exe) and with the shell extension
# (Restore Desktop invoked as the shell invokes it). The host keeps its own
# record of the icon positions, as the desktop of Windows 10 and 11 does, and
# lays the desktop out again after each restore. Then, in a Wine virtual
# desktop, OstrelWatch puts the icons back after the screen changes to
# 1280 x 1024 and back. Screenshots of the desktop before, shuffled, after and
# (shell extension) laid out again, and of the watcher's screen before, shoved
# and restored, land in build/artifacts/demo.
source "$(dirname "$0")/wine-env.sh"
ostrel_build --target ostreldemo deskhost deskhostfwd ostrelsx OstrelCli OstrelWatch
ostrel_start_wine 1920x1080

artifacts="$BUILD_DIR/artifacts/demo"
rm -rf "$artifacts"; mkdir -p "$artifacts"

# The shell finds the extension through its registration.
wine regsvr32 /s "$(winepath -w "$BUILD_DIR/bin/ostrelsx.dll")" >/dev/null 2>&1

status=0
wine "$BUILD_DIR/bin/ostreldemo.exe" "$(winepath -w "$artifacts")" | tr -d '\r' || status=$?

if command -v convert >/dev/null 2>&1; then
  for bmp in "$artifacts"/*.bmp; do
    [ -e "$bmp" ] || continue
    convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
  done
  for half in cli shx watch; do
    if [ -e "$artifacts/$half-1-before.png" ] && [ -e "$artifacts/$half-3-after.png" ]; then
      diff=$(compare -metric AE "$artifacts/$half-1-before.png" "$artifacts/$half-3-after.png" null: 2>&1 || true)
      echo "$half: after-screenshot differs from before-screenshot in ${diff} pixels"
    fi
  done
  if [ -e "$artifacts/shx-1-before.png" ] && [ -e "$artifacts/shx-4-laid-out-again.png" ]; then
    diff=$(compare -metric AE "$artifacts/shx-1-before.png" "$artifacts/shx-4-laid-out-again.png" null: 2>&1 || true)
    echo "shx: laid-out-again screenshot differs from before-screenshot in ${diff} pixels"
  fi
fi
echo "Screenshots: $artifacts"
exit $status
