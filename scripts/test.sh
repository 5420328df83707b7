#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the engine
# and window-model suites natively, the Windows program for real under Wine
# for both architectures, checks of the executables, the signed release folder,
# and a bounded fuzz run.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test || exit 1

jobs=$(nproc)
python=/usr/bin/python3
reports=build/reports
mkdir -p "$reports"
rm -f "$reports"/*.xml
failed=0
step() { echo; echo "=== $*"; }

step "native build: engine and window model (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRUNESUKA_SANITIZE=ON >/dev/null &&
  cmake --build build/native -j "$jobs" &&
  ctest --test-dir build/native -j "$jobs" --output-on-failure --output-junit "$PWD/$reports/native.xml" || failed=1

step "icon generator"
$python -m pytest tests/tools -q --junitxml="$reports/tools.xml" || failed=1

for arch in i686 x86_64; do
  step "Windows program, $arch: build, then the window tests under Wine"
  if scripts/build-windows.sh "$arch"; then
    RUNESUKA_BUILD_DIR="build/$arch" RUNESUKA_ARCH="$arch" RUNESUKA_WINE_REQUIRED=1 \
      $python -m pytest tests/wine -q --junitxml="$reports/wine-$arch.xml" || failed=1
  else
    failed=1
  fi
done

step "Windows programs: hardening, imports on Windows XP, resources, planted DLLs, a reproducing build"
RUNESUKA_BUILD_DIRS=build/i686:build/x86_64 RUNESUKA_WINE_REQUIRED=1 \
  $python -m pytest tests/exe -q --junitxml="$reports/exe.xml" || failed=1

step "release folder: built, signed with a throwaway certificate, verified; signing errors"
$python -m pytest tests/release -q --junitxml="$reports/release.xml" || failed=1

step "fuzzing the whole check on arbitrary registry content, and registry export files (60 s)"
tests/fuzz/run.sh 60 || failed=1

step "summary"
$python scripts/summarize-tests.py "$reports"/*.xml || failed=1
[ "$failed" -eq 0 ]
