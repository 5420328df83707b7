#!/usr/bin/env bash
# Cross-builds the Windows program (and its test programs) for one or more
# architectures: i686 (the release program) and/or x86_64.
set -euo pipefail
cd "$(dirname "$0")/.."
for arch in "${@:-i686}"; do
  cmake -S . -B "build/$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
  cmake --build "build/$arch" -j "$(nproc)"
done
