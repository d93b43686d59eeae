#!/usr/bin/env bash
# Installs what Orvek needs, builds it and starts it on the bundled sample series.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec build/app/orvek samples/ORV1
