// xmlslice: check, print and query XML documents from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "commands.hpp"
#include "select_command.hpp"

namespace {

using namespace xmlslice::tool;

const char USAGE[] =
    "usage: xmlslice COMMAND ARGUMENTS\n"
    "\n"
    "  check [-q] FILE...         print FILE: ok, or the first structural error the\n"
    "                             parser stopped at; it does not validate and accepts\n"
    "                             much that is not well-formed XML. -q: exit status only\n"
    "  print [--indent[=N]] FILE  write the document back out as XML; --indent puts\n"
    "                             each child of element-only content on its own line,\n"
    "                             N spaces (default 2) per level\n"
    "  get [-a NAME | --xml] FILE PATH\n"
    "                             print the text of the first element PATH names;\n"
    "                             -a NAME prints that attribute (declared defaults\n"
    "                             included), --xml the element serialised\n"
    "  select [--value | --text | --xml] [-H | -h] [--var NAME=VALUE]...\n"
    "         [--ns PREFIX=URI]... FILE... EXPR\n"
    "                             print every node EXPR selects, one per line: its\n"
    "                             string value (all its text, children's included),\n"
    "                             --text its own text, --xml the node serialised; any\n"
    "                             other value as XPath's string() of it. With several\n"
    "                             files each line starts with FILE: (-H always, -h never)\n"
    "  count [-H | -h] [--var NAME=VALUE]... [--ns PREFIX=URI]... FILE... EXPR\n"
    "                             print the number of nodes EXPR selects (or its value)\n"
    "  attrs FILE PATH            print the attributes of the element PATH names, own\n"
    "                             ones, then declared defaults marked (default)\n"
    "  pi FILE TARGET             print the processing instructions of TARGET\n"
    "  stats FILE                 print counts, depth, size and parse speed\n"
    "\n"
    "FILE - reads standard input. PATH is slash-separated steps, name or name[N]\n"
    "(N from 1), from the root's children down: book[2]/title. A leading /NAME/\n"
    "names the root element itself, as does a first step with the root's name\n"
    "when the root has no child of that name: catalog/book[2]/title. The text\n"
    "printed is the element's own character data, child elements cut out.\n"
    "EXPR is XPath 1.0, run from the document: /catalog/book,\n"
    "//book[@id='b2']/title, //book[price > 10]/@id | //book[last()]/@id,\n"
    "count(//author), concat(name(/*), ':', string(//title)), //book[$who = author].\n"
    "--var binds $NAME to the string VALUE; --ns lets PREFIX:name match names in the\n"
    "namespace URI, whatever prefix the document gives it.\n"
    "Exit status: 0 success or the value was true (nodes found, a non-empty string,\n"
    "a number other than 0 and NaN), 1 it was not or a document or lookup failed,\n"
    "2 usage or expression error.\n"
    "\n"
    "  -h, --help, help           show this help\n"
    "  --version                  show the version\n";

struct CommandLine {
    std::string command;
    std::vector<std::string> operands;
    GetOptions get;
    SelectOptions select;
    int indent = -1;
    bool quiet = false;
    bool form_given = false;
};

int usage_error(const std::string& message) {
    complain(message + " (see xmlslice --help)");
    return EXIT_USAGE;
}

bool selects(const std::string& command) {
    return command == "select" || command == "count";
}

// --indent or --indent=N, N from 0 to 16.
bool read_indent(const std::string& argument, int& indent) {
    if (argument == "--indent") {
        indent = 2;
        return true;
    }
    const std::string prefix = "--indent=";
    std::string digits = argument.substr(prefix.size());
    if (argument.compare(0, prefix.size(), prefix) != 0 || digits.empty() || digits.size() > 2 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    indent = std::stoi(digits);
    return indent <= 16;
}

// One option of the command; returns an exit status when it is not
// acceptable, else -1. i moves past an option's argument.
int read_option(int argc, char** argv, int& i, CommandLine& line) {
    const std::string argument = argv[i];
    const std::string& command = line.command;
    if (command == "get" && argument == "--xml") {
        line.get.as_xml = true;
    } else if (command == "get" && argument == "-a") {
        if (!line.get.attribute.empty()) return usage_error("-a may be given once");
        if (++i == argc || !*argv[i]) return usage_error("-a needs an attribute name");
        line.get.attribute = argv[i];
    } else if (command == "select" &&
               (argument == "--value" || argument == "--text" || argument == "--xml")) {
        MatchForm form = argument == "--value"  ? MatchForm::value
                         : argument == "--text" ? MatchForm::text
                                                : MatchForm::xml;
        if (line.form_given && form != line.select.form)
            return usage_error("--value, --text and --xml exclude each other");
        line.select.form = form;
        line.form_given = true;
    } else if (selects(command) && (argument == "--var" || argument == "--ns")) {
        if (++i == argc) return usage_error(argument + " needs NAME=VALUE");
        std::string binding = argv[i];
        std::size_t equals = binding.find('=');
        if (equals == 0 || equals == std::string::npos)
            return usage_error(argument + " needs NAME=VALUE, not '" + binding + "'");
        auto& list = argument == "--var" ? line.select.variables : line.select.prefixes;
        list.emplace_back(binding.substr(0, equals), binding.substr(equals + 1));
    } else if (selects(command) && (argument == "-H" || argument == "-h")) {
        line.select.file_names = argument == "-H" ? FileNames::always : FileNames::never;
    } else if (command == "check" && argument == "-q") {
        line.quiet = true;
    } else if (command == "print" && argument.compare(0, 8, "--indent") == 0) {
        if (!read_indent(argument, line.indent))
            return usage_error("bad " + argument + " (use --indent or --indent=N, N up to 16)");
    } else {
        return usage_error("unknown option " + argument + " for " + command);
    }
    return -1;
}

// Splits the arguments after the command into options and operands;
// returns an exit status when the arguments are not acceptable, else -1.
int read_arguments(int argc, char** argv, CommandLine& line) {
    bool options_done = false;
    for (int i = 2; i < argc; ++i) {
        std::string argument = argv[i];
        bool is_option = !options_done && argument.size() > 1 && argument[0] == '-';
        if (!is_option) {
            line.operands.push_back(argument);
        } else if (argument == "--") {
            options_done = true;
        } else {
            int status = read_option(argc, argv, i, line);
            if (status >= 0) return status;
        }
    }
    if (line.get.as_xml && !line.get.attribute.empty())
        return usage_error("-a and --xml exclude each other");
    return -1;
}

// --help anywhere before "--"; -h and help as the command, and -h after
// any command but select and count, where it leaves out file names.
bool wants_help(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "help") == 0 || std::strcmp(argv[1], "-h") == 0))
        return true;
    bool short_help = argc > 1 && !selects(argv[1]);
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || (short_help && std::strcmp(argv[i], "-h") == 0))
            return true;
    return false;
}

bool wants(int argc, char** argv, const char* option) {
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
        if (std::strcmp(argv[i], option) == 0) return true;
    return false;
}

// FILE... EXPR: the last operand is the expression.
int dispatch_select(const CommandLine& line) {
    std::vector<std::string> files = line.operands;
    if (files.size() < 2) return usage_error(line.command + " needs FILE... and EXPR");
    std::string expression = files.back();
    files.pop_back();
    if (line.command == "select") return run_select(files, expression, line.select);
    return run_count(files, expression, line.select);
}

int dispatch(const CommandLine& line) {
    const std::string& command = line.command;
    const std::vector<std::string>& operands = line.operands;
    std::size_t count = operands.size();
    if (command == "check") {
        if (count == 0) return usage_error("check needs at least one FILE");
        return run_check(operands, line.quiet);
    }
    if (command == "print" || command == "stats") {
        if (count != 1) return usage_error(command + " needs one FILE");
        return command == "print" ? run_print(operands[0], line.indent) : run_stats(operands[0]);
    }
    if (selects(command)) return dispatch_select(line);
    if (command == "get" || command == "attrs") {
        if (count != 2) return usage_error(command + " needs FILE and PATH");
        if (command == "attrs") return run_attributes(operands[0], operands[1]);
        return run_get(operands[0], operands[1], line.get);
    }
    if (command == "pi") {
        if (count != 2) return usage_error("pi needs FILE and TARGET");
        return run_instructions(operands[0], operands[1]);
    }
    return usage_error("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) {
    int status;
    if (wants_help(argc, argv)) {
        std::fputs(USAGE, stdout);
        status = EXIT_OK;
    } else if (wants(argc, argv, "--version")) {
        std::printf("xmlslice %s\n", XMLSLICE_VERSION);
        status = EXIT_OK;
    } else if (argc < 2) {
        status = usage_error("no command given");
    } else {
        CommandLine line;
        line.command = argv[1];
        status = read_arguments(argc, argv, line);
        if (status < 0) status = dispatch(line);
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        complain("cannot write the output");
        return EXIT_FAILED;
    }
    return status;
}
