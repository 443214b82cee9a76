#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing;
# with arguments, the packages named instead.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libcli11-dev
  qt6-base-dev libfreetype-dev libgcrypt20-dev libpng-dev
  xvfb xauth imagemagick python3-pil unrtf desktop-file-utils gettext
  fonts-dejavu-core python3-freetype
  clang libclang-rt-14-dev
)
[ $# -gt 0 ] && packages=("$@")
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
