#!/usr/bin/env bash
# Installs the Debian packages the project needs, only those that are missing.
set -euo pipefail
packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev
          libcli11-dev libassimp-dev libtinyobjloader-dev lib3ds-dev libdxflib-dev time
          libmeshoptimizer-dev
          # GUI tests: an X server without a screen, Mesa's software OpenGL
          xvfb xauth libegl-dev libgl-dev libgl1-mesa-dri libegl-mesa0
          libopengl-dev
          # packaging checks: desktop entry, AppStream metadata, bash completion, the .deb
          desktop-file-utils appstream bash-completion lintian
          # fuzz targets: clang 14 with libFuzzer and the sanitizer runtimes
          clang-14 libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  SUDO=""; [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}"
fi
