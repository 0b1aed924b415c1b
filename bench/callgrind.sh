#!/usr/bin/env bash
# Instructions per element of one warm parse, counted by callgrind: the parse that follows the
# free of a first tree, nothing else (the measuring child switches collection on and off around
# it). Needs valgrind.
# Usage: bench/callgrind.sh [--document FILE] [library...]
#   default: the generated records document; xmlslice and pugixml
# The callgrind output stays in build-bench/callgrind/ for callgrind_annotate.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v valgrind >/dev/null || { echo "valgrind is not installed" >&2; exit 1; }
document=
if [ "${1:-}" = --document ]; then
  document=$(realpath "$2")
  shift 2
fi
[ $# -gt 0 ] || set -- xmlslice pugixml

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DXMLSLICE_BUILD_BENCH=ON \
  -DXMLSLICE_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target xmlslice_compare >/dev/null
compare=build-bench/bench/xmlslice_compare
out=build-bench/callgrind
mkdir -p "$out"
if [ -z "$document" ]; then
  "$compare" --corpus-dir "$out" documents >/dev/null
  document=$out/records.xml
fi
# Start tags: '<' followed by a name, not by '/', '?' or '!'.
elements=$(grep -o '<[^/?!]' "$document" | wc -l)
echo "library as of commit $(git log -1 --format=%h -- include support tree parser writer); $document: $(stat -c %s "$document") bytes, $elements elements"
printf '%-12s %14s %12s %18s %16s\n' library instructions per-element "in malloc/free" "consolidating"
for library in "$@"; do
  file=$out/$library.out
  valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$file" \
    "$compare" --measure warm "$library" "$document" 1 >/dev/null 2>&1
  total=$(awk '/^totals:/ { print $2 }' "$file")
  # Inclusive costs of glibc's entry points (they do not call one another), and of the merging
  # of freed chunks that a large request triggers, which they include.
  read -r allocator consolidating < <(callgrind_annotate --inclusive=yes --threshold=100 "$file" |
    awk '{ gsub(",", "", $1) }
         / [^ ]*:(malloc|free|realloc|calloc) \[/ { entry += $1 }
         / [^ ]*:malloc_consolidate \[/ { merge += $1 }
         END { print entry + 0, merge + 0 }')
  awk -v library="$library" -v total="$total" -v elements="$elements" -v allocator="$allocator" \
    -v consolidating="$consolidating" 'BEGIN {
      printf "%-12s %14d %12.0f %17.1f%% %15.1f%%\n", library, total, total / elements,
             100 * allocator / total, 100 * consolidating / total }'
done
