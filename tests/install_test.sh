#!/usr/bin/env bash
# Installs into a temporary prefix, checks what landed (and that the desktop entry validates and
# starts an installed program), uninstalls, and checks that nothing is left.
set -euo pipefail
build=$1
source=$2
prefix=$(mktemp -d /tmp/gauzel-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/gauzel bin/gauzel-report share/gauzel/gauzel.html share/applications/gauzel.desktop \
            share/icons/hicolor/scalable/apps/gauzel.svg share/icons/hicolor/32x32/apps/gauzel.png; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
desktop="$prefix/share/applications/gauzel.desktop"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop"
else
  echo "desktop-file-validate is missing (package desktop-file-utils): not validated"
fi
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ -x "$prefix/bin/${exec_line%% *}" ] || { echo "the desktop entry starts '$exec_line', which is not installed"; exit 1; }

cmake -DBUILD_DIR="$build" -DPREFIX="$prefix" -P "$source/cmake/uninstall.cmake" >/dev/null
left=$(find "$prefix" -mindepth 1)
[ -z "$left" ] || { echo "left behind after uninstall:"; echo "$left"; exit 1; }
echo "installed, validated and uninstalled cleanly"
