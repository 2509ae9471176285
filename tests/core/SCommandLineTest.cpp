// How install-mode command lines are read, however the host quoted them.
#include <gtest/gtest.h>

#include <string>

#include "core/SCommandLine.h"
#include "core/SStringArray.h"

namespace {

// The elements behind the program path, joined by "|".
std::string Split(const char* line) {
    SStringArray list;
    SCommandLine::SplitAll(line, list);
    return list.Join("|", 1).GetText();
}

TEST(SCommandLine, QuotedFoldersEndingInABackslashKeepTheirPlace) {
    struct Case {
        const char *line, *arguments;
    };
    const Case cases[] = {
        // Typed by hand, as the README shows it: one backslash before the closing quote.
        {"u 1 \"http://h/a.bin\" \"C:\\App Dir\\\" \"C:\\App Dir\\a.exe\"",
         "1|http://h/a.bin|C:\\App Dir\\|C:\\App Dir\\a.exe"},
        // Quoted by the C runtime's rules (.NET, Python, Wine): the backslash doubled.
        {"u 1 \"http://h/a.bin\" \"C:\\App Dir\\\\\" \"C:\\App Dir\\a.exe\"",
         "1|http://h/a.bin|C:\\App Dir\\|C:\\App Dir\\a.exe"},
        // Three backslashes and a quote: a backslash and a literal quote, as Windows reads them.
        {"p a\\\\\\\"b", "a\\\"b"},
        {"p \"\" x\\y", "|x\\y"},
    };
    for (const Case& c : cases) EXPECT_EQ(Split(c.line), c.arguments) << c.line;
    SString third;
    EXPECT_EQ(SCommandLine::Split(cases[1].line, 3, &third), 5);
    EXPECT_EQ(third, "C:\\App Dir\\");
}

}  // namespace
