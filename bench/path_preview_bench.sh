#!/usr/bin/env bash
# Latency of the path dialog's 3D preview for a 200-section rotation, drawn by
# Mesa's software rasteriser (llvmpipe) on a virtual X server.
#
#   bench/path_preview_bench.sh            # uses build/default
#   BUILD_DIR=build/x SAMPLES=40 POINTS=80 bench/path_preview_bench.sh
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=$(cd "${BUILD_DIR:-$ROOT/build/default}" && pwd)
echo "load average: $(cut -d" " -f1-3 /proc/loadavg) on $(nproc) cores"
exec xvfb-run -a -s "-screen 0 1600x1200x24" env LIBGL_ALWAYS_SOFTWARE=1 \
  "$BUILD_DIR/bin/path_preview_time" "${SAMPLES:-20}" "${POINTS:-40}"
