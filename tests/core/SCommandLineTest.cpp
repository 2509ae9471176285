// How backslashes before quotes are read: the updater's rule and the console tool's.
#include <gtest/gtest.h>

#include <string>

#include "core/SCommandLine.h"
#include "core/SStringArray.h"

namespace {

// The elements behind the program path, joined by "|".
std::string Split(const char* line, SCommandLine::Rewrite rewrite) {
    SStringArray list;
    SCommandLine::SplitAll(line, list, rewrite);
    return list.Join("|", 1).GetText();
}

TEST(SCommandLine, BackslashesBeforeQuotes) {
    struct Case {
        const char *line, *every, *lone;  // under the updater's rule and the console tool's
    };
    const Case cases[] = {
        // Typed by hand: one backslash ends a quoted folder under both rules.
        {"p \"C:\\My Dir\\\" next", "C:\\My Dir\\|next", "C:\\My Dir\\|next"},
        // Quoted by the platform's rules, which double it: only the lone rule reads it so.
        {"p \"C:\\My Dir\\\\\" next", "C:\\My Dir\\\" next", "C:\\My Dir\\|next"},
        // Three backslashes and a quote stay a backslash and a literal quote under the lone
        // rule; the updater's rule makes them four, two backslashes before an opening quote.
        {"p a\\\\\\\"b", "a\\\\b", "a\\\"b"},
        {"p \"\" x\\y", "|x\\y", "|x\\y"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Split(c.line, SCommandLine::kEveryBackslash), c.every) << c.line;
        EXPECT_EQ(Split(c.line, SCommandLine::kLoneBackslash), c.lone) << c.line;
    }
    SString second;
    EXPECT_EQ(SCommandLine::Split("p \"C:\\My Dir\\\" next", 2, &second), 3);
    EXPECT_EQ(second, "next");
}

}  // namespace
