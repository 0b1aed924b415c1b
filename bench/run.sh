#!/usr/bin/env bash
# Builds the comparison in build-bench (Release), runs it and draws its ratios.
# Usage: bench/run.sh [--allocator glibc|mimalloc|jemalloc|PATH] [rounds] [corpus|scaling|allocators]
#   --allocator   preloads that malloc into every measuring child (default: glibc's own)
#   allocators    warm parse of xmlslice and pugixml under glibc, glibc without fast bins
#                 (GLIBC_TUNABLES=glibc.malloc.mxfast=0), mimalloc and jemalloc
# The corpus ratios go to build-bench/ratios-ALLOCATOR.tsv and are drawn with gnuplot, for glibc
# into bench/results.png (the chart bench/README.md shows), else build-bench/results-ALLOCATOR.png.
set -euo pipefail
cd "$(dirname "$0")/.."

# The path of a malloc to preload, from a name or a path; empty for glibc's.
allocator_path() {
  case "$1" in
    glibc) echo "" ;;
    mimalloc | jemalloc)
      local found
      found=$(/sbin/ldconfig -p | awk -v lib="lib$1.so.2" '$1 == lib { print $NF; exit }')
      if [ -z "$found" ]; then
        echo "$1 is not installed (Debian: apt-get install lib$1$([ "$1" = mimalloc ] && echo 2.0 || echo 2))" >&2
        return 1
      fi
      echo "$found" ;;
    *)
      [ -f "$1" ] || { echo "no such allocator: $1" >&2; return 1; }
      realpath "$1" ;;
  esac
}

allocator=glibc
if [ "${1:-}" = --allocator ]; then
  allocator=$2
  shift 2
fi
preload=$(allocator_path "$allocator")
name=$(basename "$allocator")

# The packages the large real documents are assembled from (see compare.cpp), installed when
# missing and this runs as root; otherwise the bench skips those documents and says so.
large_packages="libgtk-3-dev kanjidic-xml docbook-xsl unicode-cldr-core mame-data"
missing=""
for package in $large_packages; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
  if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
    echo "installing$missing for the large documents"
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing >/dev/null
  else
    echo "not installed:$missing (Debian: apt-get install$missing); their documents are skipped"
  fi
fi

cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DXMLSLICE_BUILD_BENCH=ON \
  -DXMLSLICE_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j2 --target xmlslice_compare >/dev/null
# The library's own last commit, which is what the figures describe.
echo "library as of commit $(git log -1 --format=%h -- include support tree parser writer)$(
  git diff --quiet HEAD -- include support tree parser writer || echo ', with uncommitted changes')"

if [[ " $* " == *" allocators "* ]]; then
  list="glibc=,glibc-mxfast0=GLIBC_TUNABLES=glibc.malloc.mxfast=0"
  for other in mimalloc jemalloc; do
    if path=$(allocator_path $other); then list="$list,$other=$path"; fi
  done
  exec build-bench/bench/xmlslice_compare --allocators "$list" "$@"
fi

if [[ " $* " == *" scaling "* ]]; then
  exec build-bench/bench/xmlslice_compare --allocator "$name=$preload" "$@"
fi
ratios=build-bench/ratios-$name.tsv
rm -f "$ratios"
build-bench/bench/xmlslice_compare --allocator "$name=$preload" --ratio-table "$ratios" "$@"
[ -s "$ratios" ] || exit 0
chart=build-bench/results-$name.png
[ "$allocator" = glibc ] && chart=bench/results.png
if command -v gnuplot >/dev/null; then
  libraries=$(awk -F'\t' 'NR == 2 { print NF - 1 }' "$ratios")
  documents=$(awk '/^# / { block++ } block == 1 && /^"/ && !/^"geomean"/ { n++ } END { print n }' "$ratios")
  gnuplot -e "data='$ratios'; output='$chart'; libraries=$libraries; documents=$documents" \
    bench/plot.gp 2>&1 | grep -v 'no valid points' || true
  echo "chart: $chart"
else
  echo "no chart: gnuplot is not installed (Debian: apt-get install gnuplot-nox)"
fi
