#!/usr/bin/env bash
# Prints the include edges between the program's folders ("from -> to  count") and fails when
# the folders form a cycle: a folder that includes, through any others, a folder that includes it.
# Tests, benchmarks and fuzz targets are left out: they may include anything. .ci/run runs it.
set -uo pipefail
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | grep -vE '^(tests|bench|build[^/]*)/' |
while read -r file; do
  from=$(dirname "$file")
  sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" |
  while read -r included; do
    to=$(dirname "$included")
    if [ "$to" != "$from" ] && [ "$to" != . ]; then echo "$from $to"; fi
  done
done | sort | uniq -c | awk '
  { count[$2 " -> " $3] = $1; edge[$2, $3] = 1; node[$2] = 1; node[$3] = 1 }
  END {
    for (e in count) printf "%-40s %d\n", e, count[e] | "sort"
    close("sort")
    for (k in node) for (i in node) for (j in node)
      if (edge[i, k] && edge[k, j]) edge[i, j] = 1
    cycle = 0
    for (i in node) for (j in node)
      if (i < j && edge[i, j] && edge[j, i]) { print "cycle: " i " <-> " j; cycle = 1 }
    exit cycle
  }'
