#include "select/bindings.hpp"

#include <new>

namespace xmlslice::detail {

namespace {

template <class T>
T* make() {
    void* memory = std::calloc(1, sizeof(T));
    return memory ? new (memory) T() : nullptr;
}

template <class T>
void destroy(T* object) {
    object->~T();
    std::free(object);
}

bool copy_into(Buffer<char>& bytes, std::string_view text) {
    Buffer<char> fresh;
    if (!fresh.append(text.data(), text.size())) return false;
    bytes = static_cast<Buffer<char>&&>(fresh);
    return true;
}

}  // namespace

BindingTable::~BindingTable() {
    for (VariableBinding* binding : variables) destroy(binding);
    for (PrefixEntry* entry : prefixes) destroy(entry);
}

const VariableBinding* BindingTable::find(std::string_view name) const {
    for (const VariableBinding* binding : variables)
        if (view_of(binding->name) == name) return binding;
    return nullptr;
}

VariableBinding* BindingTable::slot(std::string_view name) {
    for (VariableBinding* binding : variables)
        if (view_of(binding->name) == name) return binding;
    VariableBinding* binding = make<VariableBinding>();
    if (!binding) return nullptr;
    if (!copy_into(binding->name, name) || !variables.push_back(binding)) {
        destroy(binding);
        return nullptr;
    }
    return binding;
}

bool BindingTable::prefix_uri(std::string_view prefix, std::string_view& uri) const {
    for (const PrefixEntry* entry : prefixes) {
        if (view_of(entry->prefix) == prefix) {
            uri = view_of(entry->uri);
            return true;
        }
    }
    return false;
}

bool BindingTable::set_prefix(std::string_view prefix, std::string_view uri) {
    for (PrefixEntry* entry : prefixes)
        if (view_of(entry->prefix) == prefix) return copy_into(entry->uri, uri);
    PrefixEntry* entry = make<PrefixEntry>();
    if (!entry) return false;
    if (!copy_into(entry->prefix, prefix) || !copy_into(entry->uri, uri) ||
        !prefixes.push_back(entry)) {
        destroy(entry);
        return false;
    }
    return true;
}

}  // namespace xmlslice::detail

namespace xmlslice {

using detail::BindingTable;
using detail::ValueType;
using detail::VariableBinding;

SelectBindings::SelectBindings() noexcept = default;
SelectBindings::SelectBindings(SelectBindings&&) noexcept = default;
SelectBindings& SelectBindings::operator=(SelectBindings&&) noexcept = default;
SelectBindings::~SelectBindings() = default;

namespace {

// The table, made on first use; null when out of memory.
BindingTable* table_of(std::unique_ptr<BindingTable>& table) {
    if (!table) table.reset(new (std::nothrow) BindingTable());
    return table.get();
}

}  // namespace

bool SelectBindings::set_string(std::string_view name, std::string_view value) {
    BindingTable* table = table_of(table_);
    VariableBinding* binding = table ? table->slot(name) : nullptr;
    if (!binding || !detail::copy_into(binding->string, value)) return false;
    binding->type = ValueType::string;
    return true;
}

bool SelectBindings::set_number(std::string_view name, double value) {
    BindingTable* table = table_of(table_);
    VariableBinding* binding = table ? table->slot(name) : nullptr;
    if (!binding) return false;
    binding->type = ValueType::number;
    binding->number = value;
    return true;
}

bool SelectBindings::set_boolean(std::string_view name, bool value) {
    BindingTable* table = table_of(table_);
    VariableBinding* binding = table ? table->slot(name) : nullptr;
    if (!binding) return false;
    binding->type = ValueType::boolean;
    binding->boolean = value;
    return true;
}

bool SelectBindings::set_nodes(std::string_view name, const SelectMatch* nodes, std::size_t count) {
    BindingTable* table = table_of(table_);
    VariableBinding* binding = table ? table->slot(name) : nullptr;
    if (!binding) return false;
    detail::Buffer<SelectMatch> fresh;
    if (!fresh.append(nodes, count)) return false;
    binding->nodes = static_cast<detail::Buffer<SelectMatch>&&>(fresh);
    binding->type = ValueType::node_set;
    return true;
}

bool SelectBindings::set_nodes(std::string_view name, const SelectResult& node_set) {
    SelectNodes nodes = node_set.matches();
    return set_nodes(name, nodes.data(), nodes.size());
}

bool SelectBindings::set_elements(std::string_view name, XmlElement* const* elements,
                                  std::size_t count) {
    detail::Buffer<SelectMatch> nodes;
    for (std::size_t k = 0; k < count; ++k)
        if (!nodes.push_back(SelectMatch{elements[k], nullptr, {}, false, NodeKind::element}))
            return false;
    return set_nodes(name, nodes.data(), nodes.size());
}

bool SelectBindings::bind_prefix(std::string_view prefix, std::string_view uri) {
    BindingTable* table = table_of(table_);
    return table && table->set_prefix(prefix, uri);
}

bool SelectBindings::has_variable(std::string_view name) const noexcept {
    return table_ && table_->has_variable(name);
}

}  // namespace xmlslice
