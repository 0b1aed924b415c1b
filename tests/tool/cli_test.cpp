// Runs the xmlslice program with arguments and input and checks what it
// writes to stdout and stderr and its exit status.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

extern char** environ;

namespace {

struct Outcome {
    int status;  // the exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

long count_lines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "xmlslice_cli_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern + "/";
    }
    void TearDown() override {
        for (const std::string& path : files_) unlink(path.c_str());
        rmdir(dir_.c_str());
    }

    std::string write(const std::string& name, const std::string& content) {
        std::string path = dir_ + name;
        std::ofstream(path, std::ios::binary) << content;
        files_.push_back(path);
        return path;
    }

    // stdout goes to out_path when given (to provoke write errors).
    Outcome run(std::vector<std::string> args, const std::string& input = "",
                const char* out_path = nullptr) {
        std::string in = write("stdin", input), out = write("stdout", ""),
                    err = write("stderr", "");
        args.insert(args.begin(), XMLSLICE_TOOL);
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, out_path ? out_path : out.c_str(), O_WRONLY,
                                         0);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY, 0);
        pid_t pid;
        int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) return {-2, "", "spawn failed"};
        int wait_status = 0;
        waitpid(pid, &wait_status, 0);
        int status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
        return {status, read_file(out), read_file(err)};
    }

    std::string dir_;
    std::vector<std::string> files_;
};

const char SMALL[] =
    "<?xml version='1.0'?><?style a?>\n"
    "<!DOCTYPE r [<!ENTITY who 'Ann &amp; Bo'><!ATTLIST r v CDATA 'dflt'>]>\n"
    "<r>Hi &who;<x n='1'>one</x><x n='2'>two<y/></x>!<?note in?></r>";

TEST_F(ToolTest, HelpVersionAndUsageErrors) {
    for (const char* asking : {"--help", "-h", "help"}) {
        Outcome help = run({asking});
        EXPECT_EQ(help.status, 0) << asking;
        EXPECT_EQ(help.out.rfind("usage: xmlslice", 0), 0u) << asking;
    }
    EXPECT_EQ(run({"check", "-h"}).out.rfind("usage: xmlslice", 0), 0u);
    Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("xmlslice ", 0), 0u);

    std::string doc = write("doc.xml", SMALL);
    const std::vector<std::vector<std::string>> misuses = {
        {},
        {"frobnicate", doc},
        {"print", doc, doc},
        {"get", doc},
        {"get", "-a", "n", "--xml", doc, "x"},
        {"get", "-a", "n", "-a", "m", doc, "x"},
        {"stats", "-z", doc},
        {"select", doc},
        {"select", "--xml", "--text", doc, "x"},
        {"select", "-q", doc, "x"},
        {"count", "--xml", doc, "x"},
        {"attrs", doc},
        {"print", "--indent=x", doc},
        {"print", "--indent=17", doc},
        {"check", "--indent", doc},
    };
    for (const auto& args : misuses) {
        Outcome outcome = run(args);
        EXPECT_EQ(outcome.status, 2) << outcome.err;
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(count_lines(outcome.err), 1) << outcome.err;
    }
}

TEST_F(ToolTest, CheckReportsEveryFileOnStdout) {
    std::string good = write("good.xml", SMALL), bad = write("bad.xml", "<a>\n<b></a>");
    Outcome outcome = run({"check", good, bad, dir_ + "missing.xml", "-"}, "<ok/>");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.out, good + ": ok\n" + bad +
                               ": [error near line 2]: unexpected closing tag </a>\n" + dir_ +
                               "missing.xml: No such file or directory\n"
                               "<stdin>: ok\n");
    EXPECT_EQ(outcome.err, "");

    EXPECT_EQ(run({"check", good, "-"}, "<ok/>").status, 0);
    EXPECT_EQ(run({"check", dir_}).status, 1);  // a directory cannot be read

    const std::vector<std::pair<std::vector<std::string>, int>> quiet = {
        {{"check", "-q", good}, 0},
        {{"check", "-q", good, bad}, 1},
        {{"check", good, "-q", dir_ + "missing.xml"}, 1},
    };
    for (const auto& [args, status] : quiet) {
        Outcome silent = run(args);
        EXPECT_EQ(silent.status, status) << args.back();
        EXPECT_EQ(silent.out + silent.err, "") << args.back();
    }
}

TEST_F(ToolTest, PrintWritesTheDocumentBack) {
    const char expected[] =
        "<?style a?>\n<r v=\"dflt\">Hi Ann &amp; Bo<x n=\"1\">one</x><x "
        "n=\"2\">two<y></y></x>!</r>\n"
        "<?note in?>\n";
    Outcome outcome = run({"print", "-"}, SMALL);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, expected);
    EXPECT_EQ(outcome.err, "");

    Outcome partial = run({"print", "-"}, "<a><b>x</b><c>");
    EXPECT_EQ(partial.status, 1);
    EXPECT_EQ(partial.out, "<a><b>x</b><c></c></a>\n");
    EXPECT_NE(partial.err.find("<stdin>: [error near line 1]"), std::string::npos);

    Outcome empty = run({"print", "-"});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.out, "");
}

TEST_F(ToolTest, PrintIndentsOnlyElementOnlyContent) {
    const char doc[] =
        "<r>\n<a> <b/>\t<b>keep <i>this</i></b></a><m>x<y><z/></y></m>"
        "<p xml:space='preserve'> <q/></p><e>  </e></r>";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"--indent",
         "<r>\n  <a>\n    <b></b>\n    <b>keep <i>this</i></b>\n  </a>\n"
         "  <m>x<y><z></z></y></m>\n"
         "  <p xml:space=\"preserve\"> <q></q></p>\n  <e>  </e>\n</r>\n"},
        {"--indent=0",
         "<r>\n<a>\n<b></b>\n<b>keep <i>this</i></b>\n</a>\n<m>x<y><z></z></y></m>\n"
         "<p xml:space=\"preserve\"> <q></q></p>\n<e>  </e>\n</r>\n"},
    };
    for (const auto& [option, expected] : cases) {
        Outcome outcome = run({"print", option, "-"}, doc);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_EQ(outcome.out, expected) << option;
    }
    // Without --indent the output is the serialiser's, byte for byte.
    EXPECT_EQ(run({"print", "-"}, doc).out,
              "<r>\n<a> <b></b>\t<b>keep <i>this</i></b></a><m>x<y><z></z></y></m>"
              "<p xml:space=\"preserve\"> <q></q></p><e>  </e></r>\n");
}

TEST_F(ToolTest, GetFollowsPathsToTextAttributesAndXml) {
    std::string doc = write("doc.xml", SMALL);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"get", XMLSLICE_CATALOG, "catalog/book[2]/title"},
         "Coastal Walks, Volume 2: Cliffs & Coves\n"},
        {{"get", doc, "x[2]"}, "two\n"},
        {{"get", doc, "r/x"}, "one\n"},
        {{"get", doc, "/r"}, "Hi Ann & Bo!\n"},
        {{"get", "-a", "n", doc, "x[2]"}, "2\n"},
        {{"get", doc, "/r", "-a", "v"}, "dflt\n"},
        {{"get", "--xml", doc, "x[2]"}, "<x n=\"2\">two<y></y></x>\n"},
        {{"get", "--", "-", "x"}, "one\n"},
    };
    for (const auto& [args, expected] : cases) {
        Outcome outcome = run(args, SMALL);
        EXPECT_EQ(outcome.status, 0) << args.back() << ": " << outcome.err;
        EXPECT_EQ(outcome.out, expected) << args.back();
        EXPECT_EQ(outcome.err, "");
    }
}

TEST_F(ToolTest, GetFailuresWriteOneLineAndNoOutput) {
    std::string doc = write("doc.xml", SMALL);
    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{"get", doc, "x[3]"}, 1},
        {{"get", doc, "/x"}, 1},
        {{"get", "-a", "nope", doc, "x"}, 1},
        {{"get", dir_ + "missing.xml", "x"}, 1},
        {{"get", doc, ""}, 2},
        {{"get", doc, "x//y"}, 2},
        {{"get", doc, "x[0]"}, 2},
        {{"get", doc, "x[1]y"}, 2},
        {{"get", doc, "x[99999999999]"}, 2},
    };
    for (const auto& [args, status] : cases) {
        Outcome outcome = run(args);
        EXPECT_EQ(outcome.status, status) << args.back() << ": " << outcome.err;
        EXPECT_EQ(outcome.out, "") << args.back();
        EXPECT_EQ(count_lines(outcome.err), 1) << outcome.err;
    }
}

TEST_F(ToolTest, ABrokenDocumentAnswersFromThePartialTreeAndFailsWithOneLine) {
    const char broken[] = "<a><b n='1'>x</b>\n<c>";
    const std::string error = "xmlslice: <stdin>: [error near line 2]: unclosed tag <c>\n";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"get", "-", "b"}, "x\n"},         {{"get", "-", "d"}, ""},
        {{"get", "-a", "m", "-", "b"}, ""}, {{"attrs", "-", "b"}, "n=1\n"},
        {{"attrs", "-", "d"}, ""},          {{"pi", "-", "t"}, ""},
        {{"select", "-", "//b"}, "x\n"},    {{"select", "-", "//d"}, ""},
        {{"count", "-", "//b"}, "1\n"},
    };
    for (const auto& [args, out] : cases) {
        Outcome outcome = run(args, broken);
        EXPECT_EQ(outcome.status, 1) << args.back();
        EXPECT_EQ(outcome.out, out) << args.back();
        EXPECT_EQ(outcome.err, error) << args.back();
    }
}

const char BOOKS[] =
    "<!DOCTYPE shelf [<!ATTLIST book lang CDATA 'en' note CDATA #IMPLIED>]>\n"
    "<shelf><book id='b1'><title>One</title><author>A</author></book>"
    "<book id='b2' lang='de'><title>Two &amp; <em>more</em></title></book></shelf>";

TEST_F(ToolTest, SelectPrintsEveryMatchInTheFormAsked) {
    std::string books = write("books.xml", BOOKS);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"select", books, "//title"}, "One\nTwo & more\n"},
        {{"select", "--value", books, "//title"}, "One\nTwo & more\n"},
        {{"select", "--text", books, "//title"}, "One\nTwo & \n"},
        {{"select", "--xml", books, "//book[2]/title"}, "<title>Two &amp; <em>more</em></title>\n"},
        {{"select", books, "//book/@lang"}, "en\nde\n"},
        {{"select", "--xml", books, "//book[1]/@*"}, "id=\"b1\"\nlang=\"en\"\n"},
        {{"select", books, "//title/text()"}, "One\nTwo & \n"},
        {{"select", "--xml", books, "//title/text()"}, "One\nTwo &amp; \n"},
        {{"select", books, "//book[author]/@id"}, "b1\n"},
        {{"select", books, "count(//book)"}, "2\n"},
        {{"select", books, "string(//book[@lang='de']/title)"}, "Two & more\n"},
        {{"select", books, "name(/*)"}, "shelf\n"},
        {{"select", "-H", books, "//author"}, books + ":A\n"},
        {{"select", "--", books, "shelf/book[last()]/@id"}, "b2\n"},
    };
    for (const auto& [args, expected] : cases) {
        Outcome outcome = run(args);
        EXPECT_EQ(outcome.status, 0) << args.back() << ": " << outcome.err;
        EXPECT_EQ(outcome.out, expected) << args.back();
        EXPECT_EQ(outcome.err, "") << args.back();
    }
}

// Values and texts are escaped as print writes them: tab, LF and CR in an
// attribute value would otherwise read back as spaces.
TEST_F(ToolTest, SelectEscapesAsTheWriterDoes) {
    std::string doc = write("escapes.xml", "<r a='&#9;&#10;&#13;&quot;&lt;&amp;'>&#13;\"&gt;</r>");
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"select", "--xml", doc, "/r/@a"}, "a=\"&#x9;&#xA;&#xD;&quot;&lt;&amp;\"\n"},
        {{"select", "--xml", doc, "/r/text()"}, "&#xD;\"&gt;\n"},
    };
    EXPECT_EQ(run({"print", doc}).out, "<r a=\"&#x9;&#xA;&#xD;&quot;&lt;&amp;\">&#xD;\"&gt;</r>\n");
    for (const auto& [args, expected] : cases) EXPECT_EQ(run(args).out, expected) << args.back();
}

TEST_F(ToolTest, SelectAndCountOverSeveralFilesPrefixLikeGrep) {
    std::string books = write("books.xml", BOOKS), other = write("other.xml", "<shelf/>");
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"select", books, other, "//@id"}, 0, books + ":b1\n" + books + ":b2\n"},
        {{"select", "-h", books, other, "//@id"}, 0, "b1\nb2\n"},
        {{"select", other, "-", "//b"}, 0, "<stdin>:x\n"},
        {{"select", other, other, "//book"}, 1, ""},
        {{"count", books, other, "-", "//book"}, 0, books + ":2\n" + other + ":0\n<stdin>:0\n"},
        {{"count", "-h", books, other, "//book"}, 0, "2\n0\n"},
        {{"count", "-H", books, "//title/text()"}, 0, books + ":2\n"},
        {{"count", other, "//book"}, 1, "0\n"},
        {{"select", other, "count(//book)"}, 1, "0\n"},
        {{"select", other, "string(//book)"}, 1, "\n"},
    };
    for (const auto& [args, status, expected] : cases) {
        Outcome outcome = run(args, "<a><b>x</b></a>");
        EXPECT_EQ(outcome.status, status) << args.back() << ": " << outcome.err;
        EXPECT_EQ(outcome.out, expected) << args.back();
        EXPECT_EQ(outcome.err, "") << args.back();
    }

    // A file that cannot be read fails the run, after the others answered.
    Outcome missing = run({"select", books, dir_ + "missing.xml", "//@id"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, books + ":b1\n" + books + ":b2\n");
    EXPECT_EQ(missing.err, "xmlslice: " + dir_ + "missing.xml: No such file or directory\n");
}

TEST_F(ToolTest, ExpressionErrorsExitTwoWithTheColumn) {
    std::string books = write("books.xml", BOOKS);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"select", books, "//book/sideways::x"},
         "bad expression '//book/sideways::x': unknown axis 'sideways::' at column 8"},
        {{"select", books, "//book[frob(title, 'T')]"},
         "bad expression '//book[frob(title, 'T')]': unknown function 'frob()' at column 8"},
        {{"count", dir_ + "missing.xml", "//book["},
         "bad expression '//book[': expected a step, found the end at column 8"},
        {{"select", books, "$who"}, "bad expression '$who': unbound variable $who at column 1"},
        {{"select", "--var", "n=2", books, "$n/book"}, books + ": a path needs a node-set"},
        {{"select", "--var", "novalue", books, "1"},
         "--var needs NAME=VALUE, not 'novalue' (see xmlslice --help)"},
    };
    for (const auto& [args, message] : cases) {
        Outcome outcome = run(args);
        EXPECT_EQ(outcome.status, 2) << args.back();
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err, "xmlslice: " + message + "\n");
    }
}

// Any value prints as XPath's string() of it; the status is its boolean().
TEST_F(ToolTest, SelectPrintsAnyValueAndBindsVariablesAndPrefixes) {
    std::string books = write("books.xml", BOOKS);
    std::string spaced = write("spaced.xml",
                               "<r xmlns='urn:core' xmlns:x='urn:x'><a x:k='1'/><x:a/>"
                               "<b xmlns='urn:other'/></r>");
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"count", books, "count(//book)"}, 0, "2\n"},
        {{"select", books, "'abc'"}, 0, "abc\n"},
        {{"select", books, "''"}, 1, "\n"},
        {{"select", books, "1 div 0"}, 0, "Infinity\n"},
        {{"select", books, "0 div 0"}, 1, "NaN\n"},
        {{"select", books, "1 = 2"}, 1, "false\n"},
        {{"select", books, "(//title)[2]"}, 0, "Two & more\n"},
        {{"select", books, "//book[1]/@id/.."}, 0, "OneA\n"},
        {{"select", "--text", books, "/shelf/book[1]/."}, 0, "\n"},
        {{"select", "--xml", books, "/"},
         0,
         "<shelf><book id=\"b1\" lang=\"en\"><title>One</title><author>A</author></book>"
         "<book id=\"b2\" lang=\"de\"><title>Two &amp; <em>more</em></title></book></shelf>\n"},
        {{"select", "--var", "who=A", books, "//book[author = $who]/@id"}, 0, "b1\n"},
        {{"select", "--var", "who=Z", books, "//book[author = $who]/@id"}, 1, ""},
        {{"count", spaced, "//a"}, 0, "1\n"},
        {{"count", "--ns", "c=urn:core", spaced, "//c:a"}, 0, "1\n"},
        {{"count", "--ns", "c=urn:x", spaced, "//c:*"}, 0, "1\n"},
        {{"select", "--ns", "y=urn:x", spaced, "//@y:k"}, 0, "1\n"},
        {{"count", "--ns", "c=urn:core", spaced, "//c:b"}, 1, "0\n"},
    };
    for (const auto& [args, status, expected] : cases) {
        Outcome outcome = run(args);
        EXPECT_EQ(outcome.status, status) << args.back() << ": " << outcome.err;
        EXPECT_EQ(outcome.out, expected) << args.back();
        EXPECT_EQ(outcome.err, "") << args.back();
    }
}

TEST_F(ToolTest, AttrsListsOwnAttributesThenDeclaredDefaults) {
    std::string books = write("books.xml", BOOKS);
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
        {{"attrs", books, "book[1]"}, 0, "id=b1\nlang=en (default)\n"},
        {{"attrs", books, "/shelf/book[2]"}, 0, "id=b2\nlang=de\n"},
        {{"attrs", books, "shelf"}, 0, ""},
        {{"attrs", XMLSLICE_CATALOG, "book[3]"},
         0,
         "id=b3\ncurrency=GBP\nformat=paperback (default)\n"},
        {{"attrs", books, "book[3]"}, 1, ""},
        {{"attrs", books, "book[0]"}, 2, ""},
    };
    for (const auto& [args, status, expected] : cases) {
        Outcome outcome = run(args);
        EXPECT_EQ(outcome.status, status) << args.back() << ": " << outcome.err;
        EXPECT_EQ(outcome.out, expected) << args.back();
        EXPECT_EQ(count_lines(outcome.err), status ? 1 : 0) << outcome.err;
    }
}

TEST_F(ToolTest, PiListsTheInstructionsOfATarget) {
    const char doc[] = "<?t first?><r><?t second one?><?u other?></r>";
    Outcome outcome = run({"pi", "-", "t"}, doc);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_EQ(outcome.out, "first\nsecond one\n");
    Outcome none = run({"pi", "-", "v"}, doc);
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "xmlslice: <stdin>: no processing instruction v\n");
}

TEST_F(ToolTest, StatsCountsAMillionLevelsDeepDocument) {
    constexpr int depth = 1000000;
    std::string doc = "<?p?>";
    for (int i = 0; i < depth; ++i) doc += "<e a='1'>";
    for (int i = 0; i < depth; ++i) doc += "</e>";
    Outcome outcome = run({"stats", write("deep.xml", doc)});
    EXPECT_EQ(outcome.status, 0);
    std::string counts =
        "elements: 1000000\nattributes: 1000000\ninstructions: 1\nmax depth: 1000000\n"
        "input bytes: " +
        std::to_string(doc.size()) + "\nparse time: ";
    EXPECT_EQ(outcome.out.substr(0, counts.size()), counts);
    EXPECT_NE(outcome.out.find(" MB/s)\n"), std::string::npos);
}

TEST_F(ToolTest, AFailedWriteIsAnError) {
    Outcome outcome = run({"print", "-"}, SMALL, "/dev/full");
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err, "xmlslice: cannot write the output\n");
}

}  // namespace
