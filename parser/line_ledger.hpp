// Error lines count the input as it stood before the parse changed it. The
// parse seldom removes or adds a line end (a blank after a name, a line feed
// in an attribute value, a reference); where it does, the change is noted,
// so that a count over the changed text can be set right.
#ifndef XMLSLICE_LINE_LEDGER_HPP
#define XMLSLICE_LINE_LEDGER_HPP

#include <cstddef>

#include "support/pod_vector.hpp"

namespace xmlslice::detail {

// Line ends as the input had them: LF, CR LF and a lone CR each end one line.
std::size_t count_line_ends(const char* from, const char* to);

class LineLedger {
  public:
    // `lost` line ends went at `at`, changed while reading the construct
    // that starts at `construct`. A construct seldom changes more than one.
    [[gnu::cold]] void note(const char* construct, const char* at, std::ptrdiff_t lost);
    // Writes `byte` over the input byte at `at`, noting the line end that
    // goes with it. Every overwrite of a byte that may end a line passes
    // here (the decoder's through decode_noted), so none forgets its note.
    // A CR LF pair is one line end, so its first byte alone loses none.
    void overwrite(const char* construct, char* at, char byte) {
        char old = *at;
        *at = byte;
        if ((old == '\n' && at[-1] != '\r') || (old == '\r' && at[1] != '\n'))
            note(construct, at, 1);
    }
    // 1 + the line ends the input had before position.
    std::size_t line_of(const char* text_start, const char* position) const;

  private:
    struct Change {
        const char* at;
        std::ptrdiff_t lost;
    };

    std::ptrdiff_t lost_ = 0;  // by every change so far
    // An error lies at or after the start of the construct being read, so
    // only the changes of that construct may lie after it.
    const char* construct_ = nullptr;
    Change first_{nullptr, 0};
    PodVector<Change> more_;
};

}  // namespace xmlslice::detail

#endif  // XMLSLICE_LINE_LEDGER_HPP
