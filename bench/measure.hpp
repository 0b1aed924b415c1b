// One measurement, run inside a process of its own that the comparison starts for it.
#ifndef XMLSLICE_BENCH_MEASURE_HPP
#define XMLSLICE_BENCH_MEASURE_HPP

namespace bench {

// The option that makes xmlslice_compare a measuring child instead of the comparison.
constexpr const char* measure_option = "--measure";

// argv after the option: KIND LIBRARY SOURCE [PASSES]. Prints "1 figure figure" on success
// or "0" when the library rejected the input, and returns the exit status.
//   warm    FILE   parse, free, then time parses of a fresh copy: seconds per parse, seconds
//                  of the first free
//   cold    FILE   time the first parse of the process: seconds, heap bytes held by the tree
//   write   FILE   parse, then time serialising: seconds per pass, bytes written
//   file    FILE   load, free, then time loads from the path: seconds per load
//   scaling SHAPE  parse the adversarial shape SHAPE:SCALE repeatedly: milliseconds per MB
int measure_in_this_process(int argc, char** argv);

}  // namespace bench

#endif
