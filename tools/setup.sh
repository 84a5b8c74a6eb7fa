#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the benchmarks need.
# Safe to run again: packages already present are skipped.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  lib3ds-dev
  qt6-base-dev libgl-dev
  fonts-noto-cjk
  libgtest-dev libgmock-dev googletest
  libbenchmark-dev
  libtinygltf-dev nlohmann-json3-dev libstb-dev
  libjpeg62-turbo-dev libpng-dev libgif-dev gettext
  valgrind locales time
  clang libclang-rt-14-dev
  nodejs
  assimp-testmodels glmark2-data gl-117-data assimp-utils
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

# Debian's npm comes separately from nodejs; some node builds bring their own.
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The glTF validator that the model-file tests run, pinned by its lock file.
repo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ ! -d "$repo_root/tools/gltf-validator/node_modules" ]; then
  npm ci --prefix "$repo_root/tools/gltf-validator" --no-audit --no-fund
fi
