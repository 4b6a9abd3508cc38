#!/usr/bin/env bash
# The test suite stays lean: at most 0.40 of the code it tests (non-blank, non-comment lines).
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/test-ratio.sh
