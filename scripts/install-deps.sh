#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking Gauzel need, and only
# those that are missing. Runs apt-get update only when something has to be installed.
set -euo pipefail

packages=(
  g++ cmake ninja-build make pkg-config
  qt6-base-dev          # the window (Qt 6 Widgets); pulls qt6-qpa-plugins
  libsimpleini-dev      # the settings file
  libgtest-dev          # unit tests
  libbenchmark-dev      # micro benchmarks
  desktop-file-utils    # checks the .desktop file
  xvfb xauth xdotool    # the end-to-end test: a real X display, and a user at it
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
