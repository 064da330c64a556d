#!/usr/bin/env bash
# Installs what is missing, builds the default preset and imports the bundled samples.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target kestrel KsImport KsObjPath
export KESTREL_REGISTRY="${KESTREL_REGISTRY:-$PWD/build/default/demo-registry.ini}"
k=build/default/bin/kestrel
mkdir -p build/default/out
for f in samples/*.obj samples/*.3ds samples/*.dxf samples/*.inc; do
  [[ -e "$f" ]] || continue
  echo "== kestrel import $f"
  "$k" import "$f"
done
