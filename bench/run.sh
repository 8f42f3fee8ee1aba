#!/usr/bin/env bash
# Builds and runs every benchmark and prints their figures; benchmarks that
# open windows run under Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" build
for source in "$root"/bench/*.cpp; do
  name=$(basename "$source" .cpp)
  echo "== $name"
  case "$name" in
    *_ui) xvfb-run -a -s "-screen 0 1280x1024x24" "$root/build/bin/$name" ;;
    *) "$root/build/bin/$name" ;;
  esac
done
