#include "element_path.hpp"

#include <climits>

namespace xmlslice::tool {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_named(const XmlElement* element, const std::string& name) {
    return element && element->name && name == element->name;
}

// Reads "[N]", and nothing after it, into position.
bool parse_position(std::string_view text, int& position) {
    if (text.size() < 3 || text.front() != '[' || text.back() != ']') return false;
    long value = 0;
    for (char c : text.substr(1, text.size() - 2)) {
        if (!is_digit(c)) return false;
        value = value * 10 + (c - '0');
        if (value > INT_MAX) return false;
    }
    if (value < 1) return false;
    position = static_cast<int>(value);
    return true;
}

bool parse_step(std::string_view text, PathStep& step, std::string& problem) {
    std::size_t bracket = text.find('[');
    step.name = std::string(text.substr(0, bracket));
    if (step.name.empty() || step.name.find(']') != std::string::npos) {
        problem = "bad step '" + std::string(text) + "'";
        return false;
    }
    if (bracket != std::string_view::npos && !parse_position(text.substr(bracket), step.position)) {
        problem = "bad position in '" + std::string(text) + "' (use name[N], N from 1)";
        return false;
    }
    return true;
}

// Whether the first step names the root: always after a leading slash, and
// also without one when the root has no child of its own name, so that
// catalog/book works on a <catalog> document as it would in XPath.
bool first_step_is_root(XmlElement* root, const ElementPath& path) {
    if (path.from_root) return true;
    const std::string& name = path.steps.front().name;
    return is_named(root, name) && !element_first_named(root, name.c_str());
}

}  // namespace

bool parse_element_path(std::string_view text, ElementPath& path, std::string& problem) {
    path.text = std::string(text);
    path.from_root = !text.empty() && text.front() == '/';
    std::size_t start = path.from_root ? 1 : 0;
    if (start == text.size()) {
        problem = "empty path";
        return false;
    }
    for (;;) {
        std::size_t slash = text.find('/', start);
        std::size_t end = slash == std::string_view::npos ? text.size() : slash;
        PathStep step;
        step.end_at = end;
        if (!parse_step(text.substr(start, end - start), step, problem)) return false;
        path.steps.push_back(std::move(step));
        if (end == text.size()) return true;
        start = end + 1;
    }
}

XmlElement* find_element(XmlElement* root, const ElementPath& path, std::string& missing) {
    XmlElement* element = root;
    bool root_step = first_step_is_root(root, path);
    for (const PathStep& step : path.steps) {
        if (root_step) {
            if (!is_named(root, step.name) || step.position != 1) element = nullptr;
            root_step = false;
        } else {
            XmlElement* first = element_first_named(element, step.name.c_str());
            element = element_nth_same_name(first, step.position - 1);
        }
        if (!element) {
            missing = path.text.substr(0, step.end_at);
            return nullptr;
        }
    }
    return element;
}

}  // namespace xmlslice::tool
