#!/usr/bin/env bash
# Builds, then runs the benchmark on the desktop host under Wine on a
# 3840 x 2160 desktop: floors, both restore engines, OstrelCli.exe as its own
# process against deskhost.exe, layout files; for 100, 300 and 1,000 icons,
# or the numbers given. A first argument "across" keeps only the
# cross-process figures. Then the fit of an arrangement on plain data ("fit"
# runs only that) and the watcher's figures, with a minute of idle watcher;
# "watch [seconds]" runs only those, idle for the seconds given.
source "$(dirname "$0")/wine-env.sh"
ostrel_build --target restore_bench watch_bench fit_bench
ostrel_start_wine 3840x2160
cd "$BUILD_DIR/bin"
if [ "${1:-}" = watch ]; then
  wine watch_bench.exe "${2:-60}"
elif [ "${1:-}" = fit ]; then
  wine fit_bench.exe
else
  wine restore_bench.exe "$@"
  wine fit_bench.exe
  wine watch_bench.exe 60
fi
