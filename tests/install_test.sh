#!/usr/bin/env bash
# Installs into a temporary prefix, checks what landed (the desktop entry validates and starts an
# installed program, the man pages render without a warning, the completions complete),
# uninstalls, and checks that nothing is left. As root, the same for the Debian package.
set -euo pipefail
build=$1
source=$2
prefix=$(mktemp -d /tmp/gauzel-install-XXXXXX)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/gauzel bin/gauzel-report share/gauzel/gauzel.html share/applications/io.github.gauzel.Gauzel.desktop \
            share/metainfo/io.github.gauzel.Gauzel.metainfo.xml share/doc/gauzel/copyright \
            share/icons/hicolor/scalable/apps/gauzel.svg share/icons/hicolor/32x32/apps/gauzel.png \
            share/man/man1/gauzel.1 share/man/man1/gauzel-report.1 \
            share/bash-completion/completions/gauzel share/bash-completion/completions/gauzel-report; do
  [ -e "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
for page in gauzel gauzel-report; do
  warnings=$(groff -ww -man -Tutf8 -z "$prefix/share/man/man1/$page.1" 2>&1)
  [ -z "$warnings" ] || { echo "$page.1: $warnings"; exit 1; }
done
# The completion offers the report's units after --units.
units=$(bash -c 'source "$1"; COMP_WORDS=(gauzel-report --units k); COMP_CWORD=2; _gauzel_report; echo "${COMPREPLY[*]}"' \
          _ "$prefix/share/bash-completion/completions/gauzel-report")
[ "$units" = kilobytes ] || { echo "the completion of --units k gave '$units'"; exit 1; }
desktop="$prefix/share/applications/io.github.gauzel.Gauzel.desktop"
desktop-file-validate "$desktop"
# The AppStream entry validates, without the network (it names no address).
appstreamcli validate --no-net "$prefix/share/metainfo/io.github.gauzel.Gauzel.metainfo.xml" >/dev/null
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
program="$prefix/bin/${exec_line%% *}"
[ -x "$program" ] || { echo "the desktop entry starts '$exec_line', which is not installed"; exit 1; }

# ncdu, where installed, reads the installed report's export whole, a name holding DEL included:
# its reader stops at a raw one, keeps what came before, and still exits 0, so the totals tell.
if command -v ncdu >/dev/null; then
  tree=$(mktemp -d /tmp/gauzel-install-ncdu-XXXXXX)
  mkdir "$tree/sub"
  printf abc > "$tree/sub/del$(printf '\177')name"
  printf hello > "$tree/sub/later"
  XDG_CONFIG_HOME=$tree "$prefix/bin/gauzel-report" --export "$tree/ours.json" "$tree/sub"
  ncdu -f "$tree/ours.json" -o "$tree/ncdu.json" </dev/null >/dev/null 2>&1 || true
  read_back=$(XDG_CONFIG_HOME=$tree "$prefix/bin/gauzel-report" --import "$tree/ncdu.json" 2>&1 | head -n 1)
  rm -rf "$tree"
  [ "$read_back" = "Size of tree: 8 bytes" ] || { echo "ncdu did not read the export whole: $read_back"; exit 1; }
fi

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

# The Debian package: installed by apt with its dependencies, working, and removed without a trace.
# Only as root, and never over a gauzel package the machine already has.
if [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null && command -v dpkg-shlibdeps >/dev/null &&
   ! dpkg-query -W -f='${Status}' gauzel 2>/dev/null | grep -q installed; then
  (cd "$build" && cpack -G DEB >/dev/null)
  deb=$(ls "$build"/gauzel_*.deb)
  trap 'rm -rf "$prefix"; apt-get remove --purge -y -qq gauzel >/dev/null 2>&1 || true' EXIT
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
  /usr/bin/gauzel --version | grep -q '^gauzel ' || { echo "the packaged gauzel gave no version"; exit 1; }
  mkdir -p "$prefix/tree/sub" && head -c 1234 /dev/zero > "$prefix/tree/sub/f"
  (cd "$prefix/tree" && /usr/bin/gauzel-report --units bytes) | grep -q '  1,234  sub$' ||
    { echo "the packaged gauzel-report did not profile a tree"; exit 1; }
  files=$(dpkg -L gauzel | while read -r path; do [ -f "$path" ] && echo "$path"; done)
  DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq gauzel >/dev/null
  for path in $files; do [ ! -e "$path" ] || { echo "left behind by apt-get remove: $path"; exit 1; }; done
  rm -f "$deb"
fi
echo "installed, validated and uninstalled cleanly"
