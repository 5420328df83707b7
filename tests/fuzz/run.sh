#!/usr/bin/env bash
# Builds the check fuzzer with clang and runs it for a bounded time on a working
# copy of the seed corpus, so that tests/fuzz/corpus only grows by a deliberate
# merge. Exits non-zero on any finding; its input is kept under the build folder.
#   tests/fuzz/run.sh [SECONDS]   fuzz for SECONDS (default 60)
#   tests/fuzz/run.sh merge       add to tests/fuzz/corpus the fewest inputs of the
#                                 working corpus that reach code it does not
# RUNESUKA_FUZZ_BUILD_DIR overrides the build folder (default build/fuzz).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${RUNESUKA_FUZZ_BUILD_DIR:-$repo/build/fuzz}
fuzzer=$build/check_fuzzer
work=$build/corpus

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build"

if [ "${1:-}" = merge ]; then
  # Edges only, not hit counts: keeps the committed corpus small.
  exec "$fuzzer" -set_cover_merge=1 -use_counters=0 "$here/corpus" "$work"
fi

seconds=${1:-60}
artifacts=$build/artifacts/$(date +%Y%m%d-%H%M%S)
mkdir -p "$work" "$artifacts"
cp "$here"/corpus/* "$work"/

status=0
"$fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$artifacts/" "$work" || status=$?

if [ -n "$(ls -A "$artifacts")" ]; then
  echo "fuzzing found inputs that break the check; reproduce with: $fuzzer FILE" >&2
  ls -l "$artifacts" >&2
  [ "$status" -ne 0 ] || status=1
else
  rmdir "$artifacts"
fi
exit "$status"
