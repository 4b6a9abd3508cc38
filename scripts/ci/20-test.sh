#!/usr/bin/env bash
# The README's test command, then the check that the built command line loads no Qt.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/test.sh
bash scripts/check-source.sh --built build/debug
