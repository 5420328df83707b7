#!/usr/bin/env bash
# Builds the programs and the floors for both architectures, and the report
# natively as released, then prints the start-up benchmark of the window program
# and the report's benchmark (figures only; they assert nothing about times).
#   scripts/benchmark.sh [--runs N]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
scripts/build-windows.sh i686 x86_64
for arch in i686 x86_64; do
  cmake -S bench -B "build/bench-$arch" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel >/dev/null
  cmake --build "build/bench-$arch"
done
cmake -S . -B build/bench-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build/bench-native --target runesuka-report
/usr/bin/python3 bench/benchmark.py "$@"
echo
exec /usr/bin/python3 bench/report_benchmark.py "$@"
