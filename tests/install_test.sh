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
desktop-file-validate "$desktop"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
program="$prefix/bin/${exec_line%% *}"
[ -x "$program" ] || { echo "the desktop entry starts '$exec_line', which is not installed"; exit 1; }

# Started as the desktop entry says, on a folder (as a file manager's "Open With" does), the
# installed program opens its window (the end-to-end test checks the folder's profile).
if command -v xvfb-run >/dev/null && command -v xdotool >/dev/null; then
  config=$(mktemp -d /tmp/gauzel-install-config-XXXXXX)
  printf '[Drives]\nT=%s\n' "$config" > "$config/gauzel.ini"  # a small drive to start on
  mkdir "$config/folder"
  command=${exec_line//%f/\"\$XDG_CONFIG_HOME/folder\"}
  env -u QT_QPA_PLATFORM XDG_CONFIG_HOME="$config" PATH="$prefix/bin:$PATH" \
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
      cd /; '"${command}"' & pid=$!
      for i in $(seq 50); do
        xdotool search --onlyvisible --name "^Gauzel$" >/dev/null && { kill $pid; wait $pid; exit 0; }
        sleep 0.1
      done
      kill $pid; exit 1' || { rm -rf "$config"; echo "the installed program opened no window"; exit 1; }
  rm -rf "$config"
else
  echo "xvfb-run or xdotool is missing: the installed program was not started"
fi

cmake -DBUILD_DIR="$build" -DPREFIX="$prefix" -P "$source/cmake/uninstall.cmake" >/dev/null
left=$(find "$prefix" -mindepth 1)
[ -z "$left" ] || { echo "left behind after uninstall:"; echo "$left"; exit 1; }
echo "installed, validated and uninstalled cleanly"
