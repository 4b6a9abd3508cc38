#!/usr/bin/env bash
# The packages, then the source rules that the compiler cannot enforce.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/install-deps.sh
bash scripts/check-source.sh
