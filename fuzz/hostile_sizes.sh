#!/usr/bin/env bash
# Hostile sizes at full scale: writes each file into a scratch folder, imports
# (or traces) it with kestrel under /usr/bin/time -v and prints, per case, the
# exit code, the wall time, the peak memory and kestrel's last message. Each
# case must either import in time linear in its size and memory bounded by
# what the scene ends up holding, or stop at once saying what is too large.
#
#   fuzz/hostile_sizes.sh [BUILD_DIR]     (default build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
kestrel="$build/bin/kestrel"
work=$(mktemp -d "${TMPDIR:-/tmp}/ks-hostile-XXXXXX")
trap 'rm -rf "$work"' EXIT
export KESTREL_REGISTRY="$work/registry.ini"

python3 - "$work" <<'PY'
import struct, sys, zlib
w = sys.argv[1]
def text(name, write):
    with open(f"{w}/{name}", "w", newline="") as f:
        write(f)
# One line of 50 MB: a vertex whose coordinates never end.
text("long_line.obj", lambda f: (f.write("v "), [f.write("1 " * 500_000) for _ in range(50)],
                                  f.write("\n")))
text("objects.obj", lambda f: [f.write("# Object\n") for _ in range(1_000_000)])
def corners(f):
    for i in range(1, 1_000_001):
        f.write(f"v {i % 1000} {i // 1000} 0\n")
    f.write("f " + " ".join(str(i) for i in range(1, 1_000_001)) + "\n")
text("corners.obj", corners)
# One face line of 50 MB: 25 million corners over three vertices.
text("face_line.obj", lambda f: (f.write("v 0 0 0\nv 1 0 0\nv 0 1 0\nf"),
                                  [f.write(" 1 2 3" * 100_000) for _ in range(84)], f.write("\n")))
def dxf(f):
    f.write("0\nSECTION\n2\nENTITIES\n0\nPOLYLINE\n8\n0\n66\n1\n70\n64\n71\n1000000\n72\n1\n")
    for i in range(1_000_000):
        f.write(f"0\nVERTEX\n8\n0\n10\n{i}\n20\n{i % 7}\n30\n0\n70\n192\n")
text("vertices.dxf", dxf)
text("braces.inc", lambda f: (f.write("mesh {\n" + "{" * 100_000 + "\n"),
                               f.write("triangle { <0,0,0>, <1,0,0>, <0,1,0> }\n"),
                               f.write("}" * 100_000 + "\n}\n")))
def chunk(cid, payload, length=None):
    return struct.pack("<HI", cid, length if length is not None else len(payload) + 6) + payload
# 100 bytes whose point list claims 2^31 vertices (chunk length) and 65535 (count).
points = chunk(0x4110, struct.pack("<H", 0xFFFF) + bytes(70), length=2**31 - 1)
obj = chunk(0x4000, b"big\0" + chunk(0x4100, points, length=2**31 - 1), length=2**31 - 1)
big = chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)) + chunk(0x3D3D, obj, length=2**31 - 1),
            length=2**31 - 1)
open(f"{w}/claims.3ds", "wb").write(big[:100].ljust(100, b"\0"))
# 10,000 chunks, each inside the one before.
nested = b""
for _ in range(10_000):
    nested = chunk(0x3D3D, nested)
open(f"{w}/nested.3ds", "wb").write(chunk(0x4D4D, nested))
# 20,000 x 20,000 grey picture, white with a black box in the middle.
W = H = 20_000
def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
z = zlib.compressobj(6)
parts = []
white, boxed = b"\0" + b"\xff" * W, b"\0" + b"\xff" * 8000 + b"\0" * 4000 + b"\xff" * 8000
for y in range(H):
    parts.append(z.compress(boxed if 8000 <= y < 12000 else white))
parts.append(z.flush())
with open(f"{w}/huge.png", "wb") as f:
    f.write(b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 0, 0, 0, 0)))
    f.write(png_chunk(b"IDAT", b"".join(parts)) + png_chunk(b"IEND", b""))
PY

run() {
  local name=$1
  shift
  local log="$work/$name.time"
  set +e
  timeout 600 /usr/bin/time -v "$kestrel" "$@" >"$work/$name.out" 2>"$log"
  local rc=$?
  set -e
  local wall rss msg
  wall=$(grep "Elapsed (wall clock)" "$log" | awk '{print $NF}')
  rss=$(grep "Maximum resident set size" "$log" | awk '{print $NF}')
  msg=$( (grep -v "^\s" "$log" || true) | (grep -v "Command exited" || true) | tail -1 | cut -c1-160)
  [ -z "$msg" ] && msg=$(tail -1 "$work/$name.out" | cut -c1-160)
  printf '%-14s %10s B  exit %-3s %9s  %7d MB  %s\n' "$name" \
    "$(stat -c %s "${@: -1}")" "$rc" "$wall" \
    "$((rss / 1024))" "$msg"
}

printf '%-14s %12s  %-8s %9s  %10s  %s\n' case size "" wall "peak RSS" "last message"
run long_line import "$work/long_line.obj"
run objects import "$work/objects.obj"
run corners import "$work/corners.obj"
run face_line import "$work/face_line.obj"
run claims_3ds import "$work/claims.3ds"
run nested_3ds import "$work/nested.3ds"
run vertices_dxf import "$work/vertices.dxf"
run braces_inc import "$work/braces.inc"
run huge_png trace "$work/huge.png"
