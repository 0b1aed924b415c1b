#include "parser/entity_set.hpp"

#include <cstring>

namespace xmlslice::detail {

bool EntityCycleCheck::first_visit(std::size_t entry) {
    while (visited_.size() <= entry)
        if (!visited_.push(0)) return false;
    if (visited_[entry] == check_) return false;
    visited_[entry] = check_;
    return true;
}

[[gnu::cold]] bool EntityCycleCheck::entity_is_acyclic(const char* name, std::size_t name_length,
                                                       const char* value,
                                                       std::size_t value_length) {
    ++check_;
    pending_.clear();
    if (!pending_.push({value, value + value_length})) return false;
    while (!pending_.empty() && !context_.over_limit()) {
        Segment text = pending_.back();
        pending_.pop();
        context_.searched += static_cast<std::size_t>(text.end - text.next);
        for (const char* at = text.next;
             (at = static_cast<const char*>(std::memchr(at, reference_, text.end - at))); ++at) {
            auto rest = static_cast<std::size_t>(text.end - at - 1);
            if (rest >= name_length && std::memcmp(at + 1, name, name_length) == 0) return false;
            Segment reader{at, text.end};
            EntitySet::Match match;
            if (!table_.find(Lookahead(&reader, 1), context_, match) || !first_visit(match.entry))
                continue;
            const char* reached = table_.value(match.entry);
            if (!pending_.push({reached, reached + table_.value_length(match.entry)})) return false;
        }
    }
    return true;
}

}  // namespace xmlslice::detail
