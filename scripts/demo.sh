#!/usr/bin/env bash
# Installs what is missing, builds the default preset, imports every bundled
# sample through the KsImport plug-in, exports one of them, and builds objects
# from a path and from a picture through the KsObjPath plug-in, and renders a
# picture of a sample without needing a display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target kestrel KsImport KsObjPath
# The demo keeps its remembered formats and folders in its own registry file.
export KESTREL_REGISTRY="${KESTREL_REGISTRY:-$PWD/build/default/demo-registry.ini}"
k=build/default/bin/kestrel
out=build/default/out
mkdir -p "$out"
"$k" plugins
for f in samples/*.obj samples/*.3ds samples/*.dxf samples/*.inc; do
  [[ -e "$f" ]] || continue
  echo "== kestrel import $f"
  "$k" import "$f"
done
echo "== kestrel render samples/sample.inc -o $out/sample-gem.png"
"$k" render samples/sample.inc -o "$out/sample-gem.png" --size 800x500
echo "== kestrel import samples/cube.obj --normals --export $out/cube.glb"
"$k" import samples/cube.obj --normals --export "$out/cube.glb"
echo "wrote $out/cube.glb"
echo "== kestrel path: a vase turned about the axis"
"$k" path --rotate --axis 60 --points "60,40 110,60 100,150 140,250 60,300" --export "$out/vase.stl"
echo "== kestrel trace samples/logo.png"
"$k" trace samples/logo.png --height 20 --export "$out/logo.obj"
