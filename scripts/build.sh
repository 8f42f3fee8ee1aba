#!/usr/bin/env bash
# Configures (once) and builds into the given folder; extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}; shift || true
[ -f "$dir/build.ninja" ] || cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir"
