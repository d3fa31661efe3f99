#!/usr/bin/env bash
# Installs what is missing, builds, and starts the window. Without a display
# the window runs under a virtual X server (xvfb-run).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/zarudiv
fi
echo "No display found: starting the window under xvfb-run (a virtual X server)." >&2
exec xvfb-run -a -s "-screen 0 1280x800x24" build/bin/zarudiv
