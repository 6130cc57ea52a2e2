#!/usr/bin/env bash
# Builds, then runs the restore benchmark on the desktop host under Wine:
# 1,000 icons (or the number given) on a 3840 x 2160 desktop; a second
# argument "shell" leaves out the command-line figures.
source "$(dirname "$0")/wine-env.sh"
ostrel_build --target restore_bench
ostrel_start_wine 3840x2160
cd "$BUILD_DIR/bin"
wine restore_bench.exe "$@"
