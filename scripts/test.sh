#!/usr/bin/env bash
# Installs what is missing, builds the default and the sanitizer preset, runs every test.
# Tests labelled "gui" drive real Qt widgets: they run one at a time on a
# virtual X server (xvfb-run), where their main picks Qt's xcb platform. The
# sanitizer preset builds no GUI. Last, every fuzz target runs for a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
for preset in default sanitize; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j2 -LE gui
done
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset default -L gui
# Bounded fuzzing: each target a minute; any finding fails the run.
fuzz/run.sh 60
