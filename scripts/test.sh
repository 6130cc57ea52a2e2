#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine and Xvfb.
source "$(dirname "$0")/wine-env.sh"
ostrel_build
ostrel_start_wine 1920x1080
cd "$BUILD_DIR"
ctest --output-on-failure -j2 "$@"
