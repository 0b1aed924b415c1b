// Starting the measuring children.
#ifndef XMLSLICE_BENCH_SPAWN_HPP
#define XMLSLICE_BENCH_SPAWN_HPP

#include <string>
#include <vector>

namespace bench {

// The malloc the measuring children run with: glibc's when `path` is empty, else the
// shared library at `path`, preloaded; a `path` VARIABLE=VALUE is glibc's with that variable set.
struct Allocator {
    std::string name;
    std::string path;
};

// What a child reported: `ok` false when the library rejected the input or the child failed.
struct ChildReport {
    bool ok = false;
    double first = 0, second = 0;
};

// Runs this program again as `--measure KIND LIBRARY SOURCE` in a new process and waits for
// its report, which comes back through a pipe.
ChildReport measure_in_child(const Allocator& allocator, const std::string& kind,
                             const std::string& library, const std::string& source);

}  // namespace bench

#endif
