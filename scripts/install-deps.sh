#!/usr/bin/env bash
# Installs the Debian packages Quorvel needs to build, test and run; only those missing.
# Usage: scripts/install-deps.sh [--test]
set -euo pipefail

build_pkgs=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libqt6opengl6-dev qt6-translations-l10n
  libzint-dev libjpeg62-turbo-dev libfontconfig-dev libcups2-dev
  fonts-liberation2 help2man
)
test_pkgs=(
  libgtest-dev libgmock-dev
  xvfb xauth poppler-utils qpdf zbar-tools dmtx-utils imagemagick desktop-file-utils lintian appstream dpkg-dev man-db
  cups printer-driver-cups-pdf
  clang libclang-rt-14-dev
)

want=("${build_pkgs[@]}")
if [[ "${1:-}" == "--test" ]]; then
  want+=("${test_pkgs[@]}")
fi

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
