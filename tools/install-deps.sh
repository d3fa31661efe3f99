#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build, test and run the
# program. Run as root; packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libxcb1-dev
  libgtest-dev libbenchmark-dev
  libcli11-dev
  libsqlite3-dev libsqlitecpp-dev
  libopenmpi-dev openmpi-bin
  fonts-wine fonts-liberation
  xvfb xauth
  python3-dev pybind11-dev python3-pybind11
  python3-numpy python3-pandas python3-pytest python3-matplotlib
)

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
