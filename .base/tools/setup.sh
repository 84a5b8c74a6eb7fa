#!/usr/bin/env bash
# Installs the Debian packages the project needs. Safe to run again: packages
# already present are skipped.
#
#   bash tools/setup.sh          everything: the build, the tests and the benchmarks
#   bash tools/setup.sh build    only what configuring and building needs (make run, make package)
set -euo pipefail

# Configuring the build finds the test and benchmark libraries and valgrind
# too, so they are part of it. gettext's msgfmt builds the host programs'
# catalogues; dpkg-dev brings dpkg-shlibdeps, which gives the Debian package
# its dependencies. kvstudio's 3D view is Qt Quick 3D, whose CMake package
# needs the shader tools, and whose glTF loader and camera controller are
# QML modules read at run time; Qt's own translations serve its dialogs.
# ICU folds case in names the same way in every locale.
build_packages=(
  build-essential cmake pkg-config dpkg-dev
  lib3ds-dev
  qt6-base-dev libgl-dev
  qt6-declarative-dev qt6-quick3d-dev qt6-shadertools-dev
  qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtqml-workerscript
  qml6-module-quick3d qml6-module-quick3d-helpers
  qt6-translations-l10n
  libjpeg62-turbo-dev libpng-dev libgif-dev zlib1g-dev
  gettext
  libicu-dev
  libgtest-dev libgmock-dev googletest
  libbenchmark-dev
  libtinygltf-dev nlohmann-json3-dev libstb-dev
  valgrind
)

# Running the tests, the fuzzers and the benchmarks: the real 3DS files they
# read, fonts for the dialog screenshots, an X server for kvstudio's tests
# (Qt Quick 3D draws nothing on the offscreen platform), clang's libFuzzer,
# and Node.js for the glTF validator.
test_packages=(
  fonts-noto-cjk
  xvfb xauth
  locales time
  clang libclang-rt-14-dev
  nodejs
  assimp-testmodels glmark2-data gl-117-data assimp-utils
)

packages=("${build_packages[@]}")
if [ "${1:-}" != build ]; then packages+=("${test_packages[@]}"); fi

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done

# Debian's npm comes separately from nodejs; some node builds bring their own.
if [ "${1:-}" != build ]; then
  command -v npm >/dev/null 2>&1 || missing+=(npm)
fi

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

[ "${1:-}" = build ] && exit 0

# The glTF validator that the model-file tests run, pinned by its lock file.
repo_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ ! -d "$repo_root/tools/gltf-validator/node_modules" ]; then
  npm ci --prefix "$repo_root/tools/gltf-validator" --no-audit --no-fund
fi
