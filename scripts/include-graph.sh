#!/usr/bin/env bash
# Prints the include edges between the program's folders ("from -> to  count") and fails when
# the folders form a cycle (a folder that includes, through any others, a folder that includes
# it), when two units include each other through any others (a unit is a .h with its .cpp), when
# a folder includes one that docs/architecture.md's table does not allow it, or when a file
# outside platform/linux includes a system header (an angle-bracket header ending in .h). Tests,
# benchmarks and fuzz targets are left out: they may include anything. .ci/run runs it.
set -uo pipefail
cd "$(dirname "$0")/.."
sources=$(git ls-files '*.cpp' '*.h' | grep -vE '^(tests|bench|build[^/]*)/')
system=$(echo "$sources" | grep -v '^platform/linux/' | xargs grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*<[^>]*\.h>')
system_bad=0
[ -z "$system" ] || { echo "a system header outside platform/linux:"; echo "$system"; system_bad=1; }
echo "$sources" |
while read -r file; do
  sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file" |
  while read -r included; do echo "${file%.*} ${included%.*}"; done
done | sort -u | awk '
  function folder(unit) { sub(/\/[^\/]*$/, "", unit); return unit }
  # The table of docs/architecture.md: what each folder may include besides itself.
  function allowed(from, to) {
    if (from == "platform") return 0
    if (from == "platform/linux") return to == "platform"
    if (from ~ /^core\//) return to ~ /^core\// || to == "platform"
    if (from == "tools") return to ~ /^core\// || to == "platform" || to == "platform/linux"
    if (from == "ui") return to ~ /^core\// || to == "platform"
    if (from == "options") return to == "ui"
    if (from == "legend") return to ~ /^core\// || to == "platform" || to == "ui"
    if (from == "view") return to ~ /^core\// || to == "platform" || to ~ /^(legend|options|ui)$/
    if (from == "app") return to ~ /^(core\/.*|platform|platform\/linux|ui|legend|options|view)$/
    return 0
  }
  function closure(edges, nodes,   i, j, k) {
    for (k in nodes) for (i in nodes) if ((i, k) in edges) for (j in nodes)
      if ((k, j) in edges) edges[i, j] = 1
  }
  {
    unit[$1] = 1; unit[$2] = 1; uses[$1, $2] = 1
    from = folder($1); to = folder($2)
    if (from != to && to != $2) { count[from " -> " to]++; dir[from, to] = 1; node[from] = 1; node[to] = 1 }
    if (from != to && to != $2 && !allowed(from, to)) { print from " may not include " $2 " (in " $1 ")"; bad = 1 }
  }
  END {
    for (e in count) printf "%-40s %d\n", e, count[e] | "sort"
    close("sort")
    closure(dir, node)
    for (i in node) for (j in node)
      if (i < j && dir[i, j] && dir[j, i]) { print "folder cycle: " i " <-> " j; bad = 1 }
    closure(uses, unit)
    for (i in unit) for (j in unit)
      if (i < j && uses[i, j] && uses[j, i]) { print "unit cycle: " i " <-> " j; bad = 1 }
    exit bad
  }'
graph_bad=$?
exit $((graph_bad || system_bad))
