#!/usr/bin/env bash
# Installs what is missing, builds, and starts the reader from its own folder,
# where it finds its help texts. An EPUB path, if given, is added to the library.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" build
args=()
[ $# -gt 0 ] && args=("$(realpath -m -- "$1")")
cd "$root/build/bin"
exec ./ravelund "${args[@]}"
