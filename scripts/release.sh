#!/usr/bin/env bash
# Builds both architectures and makes the release folder build/release/ (see
# scripts/release.py): signed when RUNESUKA_SIGN_PKCS12 and RUNESUKA_SIGN_PASSWORD
# are set, timestamped when RUNESUKA_SIGN_TIMESTAMP_URL is set too.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build
exec /usr/bin/python3 scripts/release.py "$@"
