#!/usr/bin/env bash
# Installs what is missing, builds Tarvik into build/ and starts it.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tarvik tarvik-asm

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Built build/tarvik, but there is no display to show it on."
  echo "Run it under a virtual X server:   xvfb-run -s '-screen 0 1280x1024x24' build/tarvik"
  echo "or without any window system:      QT_QPA_PLATFORM=offscreen build/tarvik"
  exit 1
fi
exec build/tarvik
