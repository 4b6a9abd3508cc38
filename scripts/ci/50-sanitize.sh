#!/usr/bin/env bash
# The suite under AddressSanitizer + UndefinedBehaviorSanitizer, the concurrency tests under
# ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/sanitize.sh
