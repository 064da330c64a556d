#!/usr/bin/env bash
# Writes a WaveFront grid of N x N positions and 2 (N-1)^2 triangles, a gently
# waved surface: bench/make_grid_obj.sh N FILE (N = 1000: about 84 MB, two
# million triangles). Nothing is done when FILE already exists.
set -euo pipefail
n=$1
file=$2
[ -s "$file" ] && exit 0
echo "generating $file ..." >&2
mkdir -p "$(dirname "$file")"
awk -v n="$n" 'BEGIN {
  printf "# grid %d x %d\n", n, n
  for (i = 0; i < n; i++)
    for (j = 0; j < n; j++)
      printf "v %.7f %.7f %.7f\n", i * 3.4641016 - 1732.0508, j * 3.4641016 - 1732.0508,
             25.123456 * sin(i * 0.01) * cos(j * 0.013)
  for (i = 0; i < n - 1; i++)
    for (j = 0; j < n - 1; j++) {
      a = i * n + j + 1; b = a + 1; c = a + n; d = c + 1
      printf "f %d %d %d\nf %d %d %d\n", a, b, c, b, d, c
    }
}' >"$file.tmp"
mv "$file.tmp" "$file"
