#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1

jobs=$(nproc)
failed=0
step() { echo; echo "=== $*"; }

step "native build and engine tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRUNESUKA_SANITIZE=ON >/dev/null &&
  cmake --build build/native -j "$jobs" &&
  ctest --test-dir build/native -j "$jobs" --output-on-failure --output-junit junit.xml || failed=1

scripts/summarize-tests.py build/native/junit.xml
[ "$failed" -eq 0 ]
