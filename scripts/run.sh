#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it under Wine on the
# built-in sample machine: the i686 release program where this host runs
# 32-bit code, otherwise the x86_64 build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
read -r arch _ < <(scripts/wine-arches.sh)
scripts/build-windows.sh "$arch"
exec /usr/bin/python3 scripts/run_sample.py "$arch"
