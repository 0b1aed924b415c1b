// What SelectBindings holds: variables by name and prefixes with their
// namespace URIs, in the engine's own buffers so that binding reports
// running out of memory instead of aborting.
#ifndef XMLSLICE_SELECT_BINDINGS_HPP
#define XMLSLICE_SELECT_BINDINGS_HPP

#include <string_view>

#include "select/buffer.hpp"
#include "select/select_program.hpp"
#include "xmlslice_select.hpp"

namespace xmlslice::detail {

struct VariableBinding {
    Buffer<char> name;
    ValueType type = ValueType::string;
    double number = 0;
    bool boolean = false;
    Buffer<char> string;
    Buffer<SelectMatch> nodes;
};

struct PrefixEntry {
    Buffer<char> prefix;
    Buffer<char> uri;
};

struct BindingTable {
    BindingTable() = default;
    BindingTable(const BindingTable&) = delete;
    BindingTable& operator=(const BindingTable&) = delete;
    ~BindingTable();

    const VariableBinding* find(std::string_view name) const;
    bool has_variable(std::string_view name) const { return find(name) != nullptr; }
    bool prefix_uri(std::string_view prefix, std::string_view& uri) const;
    // The binding of name, made when missing; null when out of memory.
    VariableBinding* slot(std::string_view name);
    bool set_prefix(std::string_view prefix, std::string_view uri);

    Buffer<VariableBinding*> variables;
    Buffer<PrefixEntry*> prefixes;
};

inline std::string_view view_of(const Buffer<char>& bytes) {
    return std::string_view(bytes.data(), bytes.size());
}

}  // namespace xmlslice::detail

#endif  // XMLSLICE_SELECT_BINDINGS_HPP
