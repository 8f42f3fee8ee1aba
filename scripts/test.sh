#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: unit and GUI tests,
# then the unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" build
(cd "$root/build" && ctest --output-on-failure)
"$root/scripts/build.sh" build-asan -DRAVELUND_SANITIZE=ON -DRAVELUND_GUI=OFF
(cd "$root/build-asan" && ctest --output-on-failure)
