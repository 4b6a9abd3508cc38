#!/usr/bin/env bash
# Every fuzz target briefly from its seeds.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/fuzz.sh 20
