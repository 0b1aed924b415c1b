# Draws the ratio table of `xmlslice_compare --ratio-table FILE` (bench/run.sh does this):
#   gnuplot -e "data='ratios.tsv'; output='results.png'; libraries=5; documents=7" bench/plot.gp
# where `libraries` is the number of library columns after the document's, and `documents` the
# number of rows before the geomean's.
# One panel per metric; per document a bar per library, drawn from pugixml's 1 to its ratio.
set terminal pngcairo size 1500,1050 font "sans,10" noenhanced
set output output
set datafile separator "\t"
set datafile missing "NaN"
set key top left horizontal opaque
set style fill solid 0.85 border rgb "#404040"
set logscale y 10
set format y "%g"
set grid ytics lc rgb "#d0d0d0"
set xtics rotate by -25 nomirror
set ytics nomirror
set xrange [-0.6:documents + 0.6]
set yrange [0.015:16]
set ytics (0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10)
set arrow from documents - 0.5, graph 0 to documents - 0.5, graph 1 nohead dashtype 2 lc rgb "#808080"

width = 0.8 / libraries
colors = "#c0392b #e59866 #5d6d7e #85c1e9 #a9dfbf #d7bde2"
x(column) = $0 + (column - 2 - (libraries - 1) / 2.0) * width
# The issue's geomean targets for xmlslice where they differ from 1: warm and cold parse.
targets = "0.65 0.80"
titles = "'warm parse (above 1: faster)' 'cold parse (above 1: faster)' 'serialise, MB/s of output (above 1: faster)' 'heap held by the tree (above 1: larger)'"

set multiplot layout 2,2 title "Ratio to pugixml's defaults (load_buffer_inplace; save with format_raw), log scale; pugixml is the line at 1" font "sans,13"
do for [block = 0:3] {
    set title word(titles, block + 1) font "sans,12"
    if (block > 0) { unset key }
    plot for [column = 2:libraries + 1] data index block \
            using (x(column)):(1):(x(column) - width / 2):(x(column) + width / 2): \
                  (column(column) < 1 ? column(column) : 1):(column(column) > 1 ? column(column) : 1) \
            with boxxyerror lc rgb word(colors, column - 1) title columnheader(column), \
        data index block every ::1 using 0:(NaN):xtic(1) notitle, \
        1 with lines lc rgb "black" lw 1.5 notitle, \
        (block < 2 ? word(targets, block + 1) + 0 : NaN) with lines dashtype 3 lw 1.5 \
            lc rgb "#c0392b" title "xmlslice target"
}
unset multiplot
