#!/usr/bin/env bash
# The window's share of a rescan of a directory of 100,000 subdirectories: from the progress
# window closing to the pie and the legend painted, and a repaint after a resize step, against
# the scan alone (gauzel-report, warm). Uses GAUZEL_PAINT_TIMES (ui/paint_trace.h).
#
#   paint_bench.sh TREE GAUZEL GAUZEL_REPORT
set -euo pipefail
tree=$(realpath "$1") gauzel=$(realpath "$2") report=$(realpath "$3")  # the window starts in the tree
for tool in xvfb-run xdotool; do
  command -v $tool >/dev/null || { echo "window: $tool missing, left out"; exit 0; }
done
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
printf '[Drives]\nT=%s\n' "$tree" > "$config/gauzel.ini"

scan_ms() {
  local start end
  start=$(date +%s%N); XDG_CONFIG_HOME=$config "$report" "$tree" >/dev/null; end=$(date +%s%N)
  echo $(( (end - start) / 1000000 ))
}
scan_ms >/dev/null  # warm
scan=$(scan_ms)

cat > "$config/run.sh" <<INNER
cd "$tree"
GAUZEL_PAINT_TIMES=1 XDG_CONFIG_HOME="$config" "$gauzel" 2>>"$config/times" &  # appending, as the markers below do
pid=\$!
for i in \$(seq 600); do grep -q legend "$config/times" 2>/dev/null && grep -q closed "$config/times" && break; sleep 0.1; done
sleep 3   # the paints that follow the rescan
echo resize >> "$config/times"
xdotool search --sync --onlyvisible --name '^Gauzel\$' windowsize 620 480 >/dev/null
sleep 2
echo resized >> "$config/times"
xdotool search --onlyvisible --name '^Gauzel\$' windowsize 630 490 >/dev/null
sleep 2
kill \$pid
INNER
xvfb-run -a -s "-screen 0 1024x768x24" bash "$config/run.sh" || true

awk -v scan="$scan" '
  /^gauzel-times: closed/ { closed = $3 }
  /^gauzel-times: view-begin/ { begin = $3; next }
  /^gauzel-times: view/ && closed && !resize { if (!view) view = $3; last = $3 }
  /^gauzel-times: legend/ && closed && !resize { if (!legend) legend = $3 }
  /^resize/ { resize = 1 }
  /^gauzel-times: view/ && resize { if ($3 - begin > repaint) repaint = $3 - begin; repaints++ }
  END {
    if (!closed || !view || !legend) { print "window: no paint times (did the program start?)"; exit }
    first = view > legend ? view : legend
    printf "window, 100,000 entries: the scan alone (gauzel-report) %d ms\n", scan
    printf "  first complete paint (pie and legend) %.0f ms after the progress window closed: %.2f x the scan (target <= 0.3)\n", first - closed, (first - closed) / scan
    printf "  last view paint after the rescan: %.0f ms after it closed\n", last - closed
    printf "  slowest repaint after a resize step: %.1f ms over %d repaints (target <= 50)\n", repaint, repaints
  }' "$config/times"
