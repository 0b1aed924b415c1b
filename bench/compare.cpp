// xmlslice side by side with its peer XML libraries, in one run.
//
// The comparison itself measures nothing: it starts this program again for every single
// figure (see measure.cpp), so that no measurement inherits the heap of another.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "corpus.hpp"
#include "measure.hpp"
#include "peer.hpp"
#include "sections.hpp"

namespace {

using bench::Allocator;
using bench::Document;
using bench::Options;

struct RealDocument {
    const char* label;
    const char* path;
};

const RealDocument real_documents[] = {
    {"freedesktop", "/usr/share/mime/packages/freedesktop.org.xml"},
    {"iso_639-3", "/usr/share/xml/iso-codes/iso_639-3.xml"},
    {"iso_3166-2", "/usr/share/xml/iso-codes/iso_3166-2.xml"},
    {"xkb base", "/usr/share/X11/xkb/rules/base.xml"},
};

// Real documents of 10 MB and more, each assembled from one Debian package's files (bench/run.sh
// installs the packages): the files whose paths under `directory` end in one of `suffixes`, in
// name order, concatenated under one root element until they pass `cap` bytes; or one file,
// decompressed when it ends in .gz, as it is.
struct LargeDocument {
    const char* label;
    const char* package;
    const char* directory;
    std::vector<std::string> suffixes;
};

constexpr std::size_t cap = 64u << 20;

const LargeDocument large_documents[] = {
    {"GTK GIR",
     "libgtk-3-dev",
     "/usr/share/gir-1.0",
     {"Gtk-3.0.gir", "Gdk-3.0.gir", "GdkX11-3.0.gir"}},
    {"kanjidic2", "kanjidic-xml", "/usr/share/edict/kanjidic2.xml.gz", {}},
    {"DocBook XSL",
     "docbook-xsl",
     "/usr/share/xml/docbook/stylesheet/docbook-xsl",
     {".xsl", ".xml"}},
    {"CLDR main", "unicode-cldr-core", "/usr/share/unicode/cldr/common/main", {".xml"}},
    {"MAME hash", "mame-data", "/usr/share/games/mame/hash", {".xml"}},
};

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What follows a file's prolog: its XML declaration, document type declaration (internal
// subset included), comments and instructions before the root element all go.
std::string after_prolog(const std::string& text) {
    std::size_t at = 0;
    while ((at = text.find('<', at)) != std::string::npos) {
        std::size_t end;
        if (text.compare(at, 4, "<!--") == 0)
            end = text.find("-->", at);
        else if (text.compare(at, 2, "<?") == 0)
            end = text.find("?>", at);
        else if (text.compare(at, 9, "<!DOCTYPE") == 0) {
            end = text.find('>', at);
            const std::size_t subset = text.find('[', at);
            if (subset < end) end = text.find('>', text.find(']', subset));
        } else
            return text.substr(at);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return "";
}

bool ends_with(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The document's text; empty when its package is not installed.
std::string assemble(const LargeDocument& large) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (large.suffixes.empty()) {
        if (!fs::exists(large.directory, error)) return "";
        const std::string command = std::string("gzip -dc '") + large.directory + "'";
        std::string text;
        if (std::FILE* pipe = popen(command.c_str(), "r")) {
            char chunk[1 << 16];
            while (std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
                text.append(chunk, got);
            pclose(pipe);
        }
        return text;
    }
    std::vector<std::string> paths;
    for (fs::recursive_directory_iterator it(large.directory, error), end; !error && it != end;
         it.increment(error))
        for (const std::string& suffix : large.suffixes)
            if (it->is_regular_file() && ends_with(it->path().string(), suffix))
                paths.push_back(it->path().string());
    std::sort(paths.begin(), paths.end());
    std::string text = "<corpus>\n";
    for (const std::string& path : paths) {
        if (text.size() > cap) break;
        text += after_prolog(read_file(path));
        text += '\n';
    }
    return paths.empty() ? "" : text + "</corpus>\n";
}

// The generated documents are written to `directory`, since every child reads its input.
std::vector<Document> prepare_corpus(const std::filesystem::path& directory) {
    std::vector<Document> corpus;
    for (int kind = 0; kind < bench::generated_count; ++kind) {
        const std::string name = bench::generated_name(kind);
        const std::string path = (directory / (name + ".xml")).string();
        const std::string& text = bench::generated_document(kind);
        std::ofstream(path, std::ios::binary).write(text.data(), text.size());
        corpus.push_back({name, path, static_cast<double>(text.size())});
    }
    for (const RealDocument& real : real_documents) {
        std::error_code error;
        const auto length = std::filesystem::file_size(real.path, error);
        if (error)
            std::printf("skipped %s: not installed\n", real.path);
        else
            corpus.push_back({real.label, real.path, static_cast<double>(length)});
    }
    for (const LargeDocument& large : large_documents) {
        const std::string text = assemble(large);
        if (text.empty()) {
            std::printf("skipped %s: %s is not installed\n", large.label, large.package);
            continue;
        }
        std::string name = large.label;
        std::replace(name.begin(), name.end(), ' ', '_');
        const std::string path = (directory / (name + ".xml")).string();
        std::ofstream(path, std::ios::binary).write(text.data(), text.size());
        corpus.push_back({large.label, path, static_cast<double>(text.size())});
    }
    return corpus;
}

// NAME=PATH, or a bare PATH named after its file.
Allocator parse_allocator(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals != std::string::npos) return {text.substr(0, equals), text.substr(equals + 1)};
    return {std::filesystem::path(text).filename().string(), text};
}

std::vector<Allocator> parse_allocators(const std::string& list) {
    std::vector<Allocator> allocators;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        allocators.push_back(parse_allocator(list.substr(start, comma - start)));
        start = comma + 1;
    }
    return allocators;
}

Options parse_options(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool has_value = i + 1 < argc;
        if (argument == "--allocator" && has_value)
            options.allocator = parse_allocator(argv[++i]);
        else if (argument == "--allocators" && has_value)
            options.allocators = parse_allocators(argv[++i]);
        else if (argument == "--ratio-table" && has_value)
            options.ratio_table = argv[++i];
        else if (argument == "--corpus-dir" && has_value)
            options.corpus_directory = argv[++i];
        else if (argument[0] >= '0' && argument[0] <= '9')
            options.rounds = std::max(1, std::atoi(argument.c_str()));
        else
            options.section = argument;
    }
    if (options.allocators.empty()) options.allocators = {options.allocator};
    return options;
}

void print_machine(const Options& options) {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line, model = "unknown CPU";
    while (std::getline(cpuinfo, line))
        if (line.rfind("model name", 0) == 0) {
            model = line.substr(line.find(':') + 2);
            break;
        }
    std::printf("machine: %s, %ld cores online\nallocator: %s%s%s\n", model.c_str(),
                sysconf(_SC_NPROCESSORS_ONLN), options.allocator.name.c_str(),
                options.allocator.path.empty() ? "" : ", preloaded from ",
                options.allocator.path.c_str());
}

std::vector<std::string> names_of(const bench::Peers& peers, bool only_deep_nesting) {
    std::vector<std::string> names;
    for (const auto& peer : peers)
        if (!only_deep_nesting || peer->survives_deep_nesting()) names.push_back(peer->name());
    return names;
}

int run_sections(const Options& options) {
    print_machine(options);
    const bench::Peers peers = bench::available_peers();
    if (options.section != "scaling") {
        std::string directory = options.corpus_directory;
        if (directory.empty()) {
            directory = std::filesystem::temp_directory_path() / "xmlslice-bench-XXXXXX";
            if (!mkdtemp(directory.data())) {
                std::perror("mkdtemp");
                return 1;
            }
        }
        std::filesystem::create_directories(directory);
        const std::vector<Document> corpus = prepare_corpus(directory);
        if (options.section == "allocators")
            bench::run_allocators(corpus, options);
        else if (options.section != "documents")
            bench::run_corpus(corpus, names_of(peers, false), options);
        if (options.corpus_directory.empty()) std::filesystem::remove_all(directory);
    }
    // Only the libraries that neither parse nor free recursively survive the deep shape.
    if (options.section.empty() || options.section == "scaling")
        bench::run_scaling(names_of(peers, true), options);
    return 0;
}

}  // namespace

// Usage: xmlslice_compare [--allocator [NAME=]PATH] [--allocators NAME=PATH,...]
//                         [--ratio-table FILE] [--corpus-dir DIR]
//                         [rounds] [corpus|scaling|allocators|documents]
// "documents" only writes the generated documents, into the --corpus-dir that keeps them.
//        xmlslice_compare --measure KIND LIBRARY SOURCE [PASSES]   (one measuring child)
int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], bench::measure_option) == 0)
        return bench::measure_in_this_process(argc - 2, argv + 2);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return run_sections(parse_options(argc, argv));
}
