#!/usr/bin/env bash
# Frame times of the viewport on a grid OBJ (GRID=1000: 2 million triangles;
# GRID=2237: about 10 million), drawn by Mesa's software rasteriser (llvmpipe)
# on a virtual X server, while the view moves and at rest; and the time from
# the file to its first full picture in the window against `kestrel import` of
# the same file.
#
#   bench/viewport_frame_bench.sh          # uses build/default
#   BUILD_DIR=build/x FRAMES=40 SIZE=1920x1080 GRID=2237 bench/viewport_frame_bench.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=$(cd "${BUILD_DIR:-$ROOT/build/default}" && pwd)
GRID=${GRID:-1000}
FILE=$ROOT/bench/out/grid-$GRID.obj
"$ROOT/bench/make_grid_obj.sh" "$GRID" "$FILE"
echo "load average: $(cut -d" " -f1-3 /proc/loadavg) on $(nproc) cores"
start=$(date +%s%N)
KESTREL_REGISTRY=$(mktemp) "$BUILD_DIR/bin/kestrel" import "$FILE" --json >/dev/null
echo "kestrel import: $(( ($(date +%s%N) - start) / 1000000 )) ms"
exec xvfb-run -a -s "-screen 0 2048x1536x24" env LIBGL_ALWAYS_SOFTWARE=1 \
  "$BUILD_DIR/bin/viewport_frame_time" "$FILE" "${FRAMES:-20}" "${SIZE:-1280x800}"
