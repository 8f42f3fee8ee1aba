#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# asking apt only when one of them is missing, so a second run is instant.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  libwxgtk3.2-dev libwxgtk-webview3.2-dev wx3.2-i18n libgtk-3-dev
  libzip-dev libgtest-dev googletest
  clang libclang-rt-14-dev
  xvfb xauth dbus dbus-x11 at-spi2-core python3-pyatspi xdotool zip unzip
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installo: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
