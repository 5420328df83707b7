#!/usr/bin/env bash
# Builds the fuzzers with clang and runs each for its share of a bounded time on
# a working copy of its seed corpus, so that the committed corpora only grow by a
# deliberate merge. Exits non-zero on any finding; its input is kept under the
# build folder.
#   tests/fuzz/run.sh [SECONDS]   fuzz for SECONDS in all (default 60), shared
#                                 equally by the fuzzers
#   tests/fuzz/run.sh merge       add to each committed corpus the fewest inputs of
#                                 its working corpus that reach code it does not
# RUNESUKA_FUZZ_BUILD_DIR overrides the build folder (default build/fuzz).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=${RUNESUKA_FUZZ_BUILD_DIR:-$repo/build/fuzz}
# fuzzer:seed corpus; the whole check, then export files through the reader and the report.
fuzzers=(check_fuzzer:corpus reg_export_fuzzer:reg_export_corpus)

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build"

if [ "${1:-}" = merge ]; then
  for entry in "${fuzzers[@]}"; do
    name=${entry%%:*} seeds=$here/${entry#*:}
    # Edges only, not hit counts: keeps the committed corpus small.
    "$build/$name" -set_cover_merge=1 -use_counters=0 "$seeds" "$build/$name-corpus"
  done
  exit 0
fi

seconds=$(( ${1:-60} / ${#fuzzers[@]} ))
status=0
for entry in "${fuzzers[@]}"; do
  name=${entry%%:*} seeds=$here/${entry#*:}
  fuzzer=$build/$name work=$build/$name-corpus
  artifacts=$build/artifacts/$name-$(date +%Y%m%d-%H%M%S)
  mkdir -p "$work" "$artifacts"
  cp "$seeds"/* "$work"/
  dict=()
  [ -f "$here/$name.dict" ] && dict=(-dict="$here/$name.dict")
  echo "--- $name, $seconds s"
  "$fuzzer" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 -print_final_stats=1 "${dict[@]}" \
    -artifact_prefix="$artifacts/" "$work" || status=$?

  if [ -n "$(ls -A "$artifacts")" ]; then
    echo "fuzzing found inputs that break $name; reproduce with: $fuzzer FILE" >&2
    ls -l "$artifacts" >&2
    [ "$status" -ne 0 ] || status=1
  else
    rmdir "$artifacts"
  fi
done
exit "$status"
