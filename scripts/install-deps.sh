#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
set -euo pipefail

packages=(cmake make g++ pkg-config qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev
          gputils gpsim gtkwave fonts-dejavu-core xvfb xauth xdotool openbox x11-utils
          clang libclang-rt-14-dev desktop-file-utils libxml2-utils man-db shared-mime-info dpkg-dev
          lintian)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
