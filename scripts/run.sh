#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it under Wine on the
# built-in sample machine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build-windows.sh i686
exec /usr/bin/python3 scripts/run_sample.py
