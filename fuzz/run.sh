#!/usr/bin/env bash
# Builds the fuzz preset and runs each fuzz target for a bounded time, one
# after another; fails (and keeps the input in build/fuzz/findings/<target>/)
# at the first crash, sanitizer report, leak, hang or memory blow-up.
#
#   fuzz/run.sh [seconds per target] [target ...]
#
# Each target's corpus lives in build/fuzz/corpus/<target> and grows from run
# to run; the seeds are written afresh into build/fuzz/seeds by fuzz_seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_obj fuzz_dxf fuzz_3ds fuzz_pov fuzz_tracer fuzz_cap)
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
out=build/fuzz
rm -rf "$out/seeds"
"$out/bin/fuzz_seeds" "$out/seeds"

for target in "${targets[@]}"; do
  corpus="$out/corpus/$target"
  findings="$out/findings/$target"
  mkdir -p "$corpus" "$findings"
  dict=()
  [ -f "fuzz/dict/$target.dict" ] && dict=(-dict="fuzz/dict/$target.dict")
  echo "== $target: ${seconds}s"
  # LeakSanitizer runs after every input that allocated more than it freed.
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$out/bin/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" "$corpus" "$out/seeds/$target"
done
