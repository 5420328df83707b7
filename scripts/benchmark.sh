#!/usr/bin/env bash
# Builds the program and the floor for both architectures and prints the
# start-up benchmark (figures only; it asserts nothing about times).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build-windows.sh i686 x86_64
for arch in i686 x86_64; do
  cmake -S bench -B "build/bench-$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
  cmake --build "build/bench-$arch"
done
exec /usr/bin/python3 bench/benchmark.py "$@"
