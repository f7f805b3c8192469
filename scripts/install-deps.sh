#!/usr/bin/env bash
# Installs the Debian packages that building, testing and benchmarking Gauzel need, and only
# those that are missing. Runs apt-get update only when something has to be installed.
# `install-deps.sh fuzz` adds what the fuzz targets need, `install-deps.sh bench` what the
# benchmark's slow filesystem needs.
set -euo pipefail

packages=(
  g++ cmake ninja-build make pkg-config
  qt6-base-dev          # the window (Qt 6 Widgets); pulls qt6-qpa-plugins
  libmount-dev          # the mount table (drives)
  zlib1g-dev            # gzip-compressed saved scans
  nlohmann-json3-dev    # gauzel-report --json
  libgtest-dev          # unit tests
  desktop-file-utils    # checks the .desktop file
  appstream             # checks the AppStream entry
  dpkg-dev file         # make deb: dpkg-shlibdeps finds the package's dependencies
  groff-base            # checks the man pages
  xvfb xauth xdotool    # the end-to-end test: a real X display, and a user at it
  clang-format          # the house style, checked by CI
  shared-mime-info      # the file type database: kinds and types of files
)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang-14 libfuzzer-14-dev libclang-rt-14-dev)
fi
if [ "${1:-}" = bench ]; then
  packages+=(fuse3 libfuse3-dev)  # bench/slowfs, a share that answers slowly
fi

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
