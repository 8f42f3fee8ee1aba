#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: unit and GUI tests,
# then both again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" build
(cd "$root/build" && ctest --output-on-failure)
"$root/scripts/build.sh" build-sanitize -DRAVELUND_SANITIZE=ON
(cd "$root/build-sanitize" && ctest --output-on-failure)
# A short run of every fuzz target keeps them building and passing.
"$root/scripts/fuzz.sh" 8
