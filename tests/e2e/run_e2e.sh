#!/usr/bin/env bash
# Runs the end-to-end test on a virtual X display, or says plainly that it cannot.
test_binary=$1
program=$2
for tool in xvfb-run xdotool xauth; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: the end-to-end test needs $tool (packages xvfb, xauth, xdotool; scripts/install-deps.sh installs them)"
    exit 77
  fi
done
unset QT_QPA_PLATFORM
exec xvfb-run -a -s "-screen 0 1024x768x24" "$test_binary" "$program"
