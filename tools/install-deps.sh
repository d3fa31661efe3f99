#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and run the
# program. Run as root; packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libxcb1-dev
  libgtest-dev libbenchmark-dev
  libcli11-dev
  libsqlite3-dev libsqlitecpp-dev libssl-dev
  libboost-math-dev qt6-svg-dev
  libopenmpi-dev openmpi-bin
  libcpp-httplib-dev nlohmann-json3-dev
  chromium sqlite3 time
  fonts-wine fonts-liberation
  xvfb xauth
  python3-dev pybind11-dev python3-pybind11
  python3-numpy python3-pandas python3-pytest python3-matplotlib
)

# The dashboard's chart library and its browser test's driver come from npm:
# Debian's nodejs and npm, unless a node with npm is there already.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}. Run this as root (or install them with sudo apt-get install)." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The dashboard's npm packages, exactly as package-lock.json has them (the
# build embeds the chart library; nothing is fetched at run time). Installed
# again only when the lock file is newer than what npm installed last.
dashboard=$(cd "$(dirname "$0")/../dashboard" && pwd)
if [ ! -f "$dashboard/node_modules/.package-lock.json" ] ||
   [ "$dashboard/package-lock.json" -nt "$dashboard/node_modules/.package-lock.json" ]; then
  # playwright-core drives the system's chromium; it never downloads a browser.
  (cd "$dashboard" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi
