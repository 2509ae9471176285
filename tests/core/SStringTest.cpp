#include "core/SString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

std::string Text(const SString& s) { return s.GetSafeText(); }

TEST(SString, NeverSizedStringHasNoTextAndReadsAsEmpty) {
    SString s;
    EXPECT_EQ(s.GetText(), nullptr);
    EXPECT_EQ(s.GetCapacity(), 0);
    EXPECT_EQ(s.GetAt(0), 0);
    EXPECT_EQ(s.Find('a'), -1);
    EXPECT_TRUE(s == "");
    EXPECT_EQ(s.Delete(0), 0);
    EXPECT_EQ(s.GetWide(), nullptr);
    EXPECT_EQ(s.GetText(), nullptr) << "reading must not size the string";
    s = "";
    EXPECT_STREQ(s.GetText(), "");
    EXPECT_EQ(s.GetCapacity(), 16);
}

TEST(SString, CapacityIsNextMultipleOf16AboveLengthPlusOne) {
    struct Case {
        int length;
        int capacity;
    };
    const Case cases[] = {{0, 16}, {1, 16}, {14, 16}, {15, 32}, {30, 32}, {31, 48}, {100, 112}};
    for (const Case& c : cases) {
        SString s;
        s.SetLength(c.length, 'x');
        EXPECT_EQ(s.GetCapacity(), c.capacity) << c.length;
        EXPECT_EQ(s.GetText()[c.length], 0) << c.length;
    }
}

TEST(SString, CapacityNeverShrinksUntilEmpty) {
    SString s("ab");
    s.SetLength(15, 'x');
    EXPECT_EQ(Text(s), "abxxxxxxxxxxxxx");
    EXPECT_EQ(s.GetCapacity(), 32);
    s.SetLength(3);
    EXPECT_EQ(Text(s), "abx");
    s = "b";
    EXPECT_EQ(s.GetCapacity(), 32);
    s.Empty();
    EXPECT_EQ(s.GetText(), nullptr);
    EXPECT_EQ(s.GetCapacity(), 0);
}

TEST(SString, SetAtZeroEndsTheText) {
    SString s("abcdef");
    s.SetAt(2, 0);
    EXPECT_EQ(Text(s), "ab");
    EXPECT_EQ(s.GetLength(), 2);
    s.SetAt(2, 'z');  // now past the end
    s.SetAt(1, 'Q');
    EXPECT_EQ(Text(s), "aQ");
}

TEST(SString, SetCopiesCountedBytesOrUpToTheTerminator) {
    SString s;
    s.Set("abcdef", 3);
    EXPECT_EQ(Text(s), "abc");
    s.Set(nullptr);
    EXPECT_STREQ(s.GetText(), "");
    s = "abcdef";
    s.Set(s.GetText() + 1);  // its own text; the new terminator falls inside the source
    EXPECT_EQ(Text(s), "bcdef");
    s = SString();
    EXPECT_STREQ(s.GetText(), "") << "assignment always leaves the string sized";
}

TEST(SString, CopiesOwnTheirBuffersAndMovesEmptyTheSource) {
    SString a("abc");
    SString b(a);
    b.SetAt(0, 'X');
    EXPECT_EQ(Text(a), "abc");
    SString c(static_cast<SString&&>(a));
    EXPECT_EQ(Text(c), "abc");
    EXPECT_EQ(a.GetText(), nullptr);
    EXPECT_EQ(Text(SString::Spaces(3)), "   ");
    EXPECT_STREQ(SString::Spaces(-2).GetText(), "");
}

TEST(SString, WideConversionsBothWays) {
    SString s(L"Update.exe");
    EXPECT_EQ(Text(s), "Update.exe");
    s.SetAt(6, 0);
    EXPECT_EQ(std::wstring(s.GetWide()), L"Update");
    s = L"";
    EXPECT_STREQ(s.GetText(), "");
    EXPECT_EQ(std::wstring(s.GetWide()), L"");
    s = static_cast<const wchar_t*>(nullptr);
    EXPECT_STREQ(s.GetText(), "");
}

TEST(SString, NumbersBecomeTextAndDoublesLoseTrailingZeros) {
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        {0.25, "0.25"}, {1.5, "1.5"},       {2.0, "2"},       {100.0, "100"},
        {0.0, "0"},     {-0.125, "-0.125"}, {1.0000001, "1"}, {3.000001, "3.000001"}};
    for (const Case& c : cases) {
        SString s;
        s = c.value;
        EXPECT_EQ(Text(s), c.text) << c.value;
    }
    SString s;
    s = -5;
    EXPECT_EQ(Text(s), "-5");
    s = 4000000000u;
    EXPECT_EQ(Text(s), "4000000000");
}

TEST(SString, FormatsLikePrintf) {
    SString s;
    s.Format("%d-%s-%c%%|%I64d|%I64u", 42, "ab", 'z', -(int64_t(1) << 40), UINT64_MAX);
    EXPECT_EQ(Text(s), "42-ab-z%|-1099511627776|18446744073709551615");
    s.Format("[%5s|%-4d|%05.1f|%*d|%.2s%ls]", "ab", 7, 3.14159, 3, 9, "abc", L"wide");
    EXPECT_EQ(Text(s), "[   ab|7   |003.1|  9|abwide]");
}

TEST(SString, FormatProducesLongResultsWhole) {
    std::string longText(5000, 'k');
    SString s;
    s.Format("<%s>", longText.c_str());
    EXPECT_EQ(Text(s), "<" + longText + ">");
    // One conversion of a few hundred characters.
    s.Format("%.200e", 1.0);
    ASSERT_GE(s.GetLength(), 206);
    EXPECT_EQ(Text(s).substr(0, 5), "1.000");
    EXPECT_EQ(Text(s).substr(202, 2), "e+");
    EXPECT_EQ(s.GetLength(), static_cast<int>(Text(s).size()));
}

TEST(SString, FormatMayReadItsOwnText) {
    SString s("abc");
    s.Format("%s/%s/%s", s.GetText(), s.GetText(), s.GetText());
    EXPECT_EQ(Text(s), "abc/abc/abc");
}

TEST(SString, ComparesBytewiseOrWithoutAsciiCase) {
    struct Case {
        const char* a;
        const char* b;
        int compare;
        int noCase;
    };
    const Case cases[] = {
        {"abc", "abc", 0, 0},   {"abc", "abd", -1, -1}, {"abd", "ABC", 1, 1}, {"a", "A", 1, 0},
        {"ab", "a", 1, 1},      {"", "a", -1, -1},      {"\xE9", "z", 1, 1},  // bytes are unsigned
        {"\xE9", "\xC9", 1, 1},                      // only ASCII letters fold
        {"_", "A", 1, -1},                           // letters fold to lower case
        {"AZ", "az", -1, 0},    {"[", "{", -1, -1},  // the ends of the alphabet, no further
    };
    for (const Case& c : cases) {
        SString s(c.a);
        EXPECT_EQ(s.Compare(c.b), c.compare) << c.a << " " << c.b;
        EXPECT_EQ(s.CompareNoCase(c.b), c.noCase) << c.a << " " << c.b;
        EXPECT_EQ(s == c.b, c.compare == 0) << c.a << " " << c.b;
        EXPECT_EQ(s != SString(c.b), c.compare != 0) << c.a << " " << c.b;
    }
}

TEST(SString, FindsCharactersInsideTheWindow) {
    struct Case {
        char ch;
        int start;
        int count;
        int found;
    };
    const Case cases[] = {{'o', 0, -1, 4},    {'o', 5, -1, 7},   {'o', 5, 2, -1}, {'o', -3, -1, 4},
                          {'d', 10, 100, 10}, {'h', 11, -1, -1}, {'h', 0, 0, -1}, {'w', 0, 6, -1}};
    SString s("hello world");
    for (const Case& c : cases)
        EXPECT_EQ(s.Find(c.ch, c.start, c.count), c.found) << c.ch << c.start << "," << c.count;
    EXPECT_EQ(SString("aaab").FindNot('a'), 3);
    EXPECT_EQ(SString("aaab").FindNot('a', 0, 3), -1);
}

TEST(SString, WindowStartingAtTheEndFindsNothing) {
    SString s("abcde");
    EXPECT_EQ(s.Find('e', 5), -1);
    EXPECT_EQ(s.Find("e", 5), -1);
    EXPECT_EQ(s.FindNoCase("E", 5), -1);
    EXPECT_STREQ(s.Mid(5, 2).GetText(), "");
}

TEST(SString, FindsTextWhollyInsideTheWindow) {
    struct Case {
        const char* text;
        int start;
        int count;
        bool after;
        int found;
    };
    const Case cases[] = {{"bc", 0, -1, false, 1}, {"bc", 2, -1, false, 4}, {"bc", 0, 2, false, -1},
                          {"bc", 0, 3, false, 1},  {"bc", 0, -1, true, 3},  {"", 0, -1, false, -1},
                          {"cab", 1, 99, false, 2}};
    SString s("abcabc");
    for (const Case& c : cases)
        EXPECT_EQ(s.Find(c.text, c.start, c.count, c.after), c.found) << c.text << c.start;
    EXPECT_EQ(SString("Hello").FindNoCase("LL"), 2);
    EXPECT_EQ(SString("Hello").FindNoCase("LL", 0, 3), -1);
}

TEST(SString, ReverseFindLooksAtOrBeforeFrom) {
    SString s("a/b/c");
    EXPECT_EQ(s.ReverseFind('/'), 3);
    EXPECT_EQ(s.ReverseFind('/', 2), 1);
    EXPECT_EQ(s.ReverseFind('/', 0), -1);
    EXPECT_EQ(s.ReverseFind('/', 5), -1);
    SString mixed("a/b\\c/d");  // the characters are tried in the order given
    EXPECT_EQ(mixed.ReverseFindAny(-1, 2, '\\', '/'), 3);
    EXPECT_EQ(mixed.ReverseFindAny(-1, 2, 'x', '/'), 5);
    EXPECT_EQ(mixed.ReverseFindAny(2, 2, '\\', '/'), 1);
    EXPECT_EQ(mixed.ReverseFindAny(-1, 2, 'x', 'y'), -1);
}

TEST(SString, ExtractsParts) {
    SString s("key=value");
    struct Case {
        SString got;
        const char* expected;
    };
    const Case cases[] = {
        {s.Left(3), "key"},        {s.Left(-1), ""},
        {s.Left(99), "key=value"}, {s.Right(5), "value"},
        {s.Right(0), ""},          {s.Right(99), "key=value"},
        {s.Mid(4, 2), "va"},       {s.Mid(-2, 3), "key"},
        {s.Mid(4, 0), ""},         {s.After('='), "value"},
        {s.After('#'), ""},        {s.Before('='), "key"},
        {s.Before('#'), ""},       {s.BeforeOrAll('#'), "key=value"},
        {s + "!", "key=value!"},
    };
    for (const Case& c : cases) EXPECT_STREQ(c.got.GetText(), c.expected);
    EXPECT_EQ(Text(s), "key=value");
}

TEST(SString, GetLineTreatsCrLfAsOneBreak) {
    SString s("one\r\ntwo\nthree\rfour\n\rfive");
    int start = 0;
    for (const char* line : {"one", "two", "three", "four", "", "five"}) {
        int next = -1;
        EXPECT_EQ(Text(s.GetLine(start, &next)), line);
        EXPECT_GT(next, start);
        start = next;
    }
    EXPECT_EQ(start, s.GetLength());
    EXPECT_STREQ(s.GetLine(-1).GetText(), "");
}

TEST(SString, GetWordTakesRunsOfWhiteOrNonWhite) {
    struct Case {
        int start;
        bool keepSpace;
        const char* word;
        int next;
    };
    const Case cases[] = {{0, false, "hello", 7},  {0, true, " \t", 2}, {4, true, "llo", 7},
                          {7, false, "world", 13}, {13, false, "", 15}, {13, true, "\r\n", 15}};
    SString s(" \thello world\r\n");
    for (const Case& c : cases) {
        int next = -1;
        EXPECT_EQ(Text(s.GetWord(c.start, &next, c.keepSpace)), c.word) << c.start;
        EXPECT_EQ(next, c.next) << c.start;
    }
}

TEST(SString, CaseAndSpaceCopiesLeaveTheSource) {
    SString s("a B\tc1");
    EXPECT_EQ(Text(s.WithoutSpaces()), "aB\tc1");
    EXPECT_EQ(Text(s.WithoutSpaces(true)), "aBc1");
    EXPECT_EQ(Text(s.Upper()), "A B\tC1");
    EXPECT_EQ(Text(s), "a B\tc1");
    s.MakeUpper();
    s.MakeLower();
    EXPECT_EQ(Text(s), "a b\tc1");
}

TEST(SString, AppendGrowsThroughTheSizingStep) {
    SString s;
    std::string expected;
    for (int i = 0; i < 100; ++i) {
        s += static_cast<char>('a' + i % 26);
        s += "-";
        expected += static_cast<char>('a' + i % 26);
        expected += '-';
    }
    EXPECT_EQ(Text(s), expected);
    EXPECT_EQ(s.GetCapacity(), 208);
}

TEST(SString, AppendAndInsertMayTakeTheirOwnText) {
    SString s("abcdefghijklm");  // 13 characters: doubling needs a larger buffer
    s.Append(s.GetText());
    EXPECT_EQ(Text(s), "abcdefghijklmabcdefghijklm");
    s.Insert(s.GetText() + 24, 0, 3);  // 32 characters: the buffer moves again
    EXPECT_EQ(Text(s).substr(0, 8), "lmlmlmab");
}

TEST(SString, InsertsCharactersAndTexts) {
    struct Case {
        const char* insert;
        int pos;
        int n;
        const char* result;
    };
    const Case cases[] = {{nullptr, 1, 2, "axxbc"}, {nullptr, -1, 1, "abcx"},
                          {nullptr, 4, 1, "abc"},   {nullptr, 0, 0, "abc"},
                          {"xy", 0, 2, "xyxyabc"},  {"xy", 3, 1, "abcxy"},
                          {"", 1, 3, "abc"},        {"xy", 5, 1, "abc"}};
    for (const Case& c : cases) {
        SString s("abc");
        if (c.insert)
            s.Insert(c.insert, c.pos, c.n);
        else
            s.Insert('x', c.pos, c.n);
        EXPECT_EQ(Text(s), c.result) << (c.insert ? c.insert : "x") << c.pos << c.n;
    }
}

TEST(SString, DeleteAndOverwriteWorkOnTheWindow) {
    struct Case {
        const char* with;
        int start;
        int count;
        int removed;
        const char* result;
    };
    const Case cases[] = {
        {nullptr, 1, 2, 2, "adef"},     {nullptr, 4, -1, 2, "abcd"}, {nullptr, 6, 1, 0, "abcdef"},
        {nullptr, -3, 2, 2, "cdef"},    {nullptr, 2, 99, 4, "ab"},   {"XY", 1, 3, 0, "aXYef"},
        {"XYZW", 1, 1, 0, "aXYZWcdef"}, {"!", 6, 0, 0, "abcdef!"},   {"!", 7, 0, 0, "abcdef"},
        {"XY", 1, -1, 0, "aXY"},        {"", 0, 2, 0, "cdef"},
    };
    for (const Case& c : cases) {
        SString s("abcdef");
        if (c.with)
            s.Overwrite(c.with, c.start, c.count);
        else
            EXPECT_EQ(s.Delete(c.start, c.count), c.removed) << c.start << "," << c.count;
        EXPECT_EQ(Text(s), c.result) << (c.with ? c.with : "delete") << c.start << "," << c.count;
    }
}

TEST(SString, ReplacesCharactersInTheWindow) {
    SString s("a.b.c.d");
    EXPECT_EQ(s.Replace('.', '/', 2, 4), 2);
    EXPECT_EQ(Text(s), "a.b/c/d");
    EXPECT_EQ(s.Replace('.', '/', 7), 0);
    EXPECT_EQ(s.Replace('.', '/'), 1);
    SString ended("a/b/c.d");
    EXPECT_EQ(ended.Replace('/', 0, 2), 1);  // a zero ends the text where it lands
    EXPECT_EQ(Text(ended), "a/b");
    EXPECT_EQ(ended.GetLength(), 3);
    EXPECT_EQ(ended.Replace(0, 'x'), 0);
}

TEST(SString, ReplacesTextWithoutLoopingOnItsInsertions) {
    struct Case {
        const char* text;
        const char* find;
        const char* with;
        int start;
        int count;
        bool matchCase;
        int replaced;
        const char* result;
    };
    const Case cases[] = {
        {"abab", "ab", "abab", 0, -1, true, 2, "abababab"},
        {"aXbXc", "X", "", 0, -1, true, 2, "abc"},
        // The window covers "xx-xx" and its end moves as each "x" doubles.
        {"xx-xx-xx", "x", "yy", 0, 5, true, 4, "yyyy-yyyy-xx"},
        {"xx-xx-xx", "xx", "x", 3, 5, true, 2, "xx-x-x"},
        {"aAbA", "a", "-", 0, -1, false, 3, "--b-"},
        {"aaa", "aa", "b", 0, -1, true, 1, "ba"},
        {"abc", "", "x", 0, -1, true, 0, "abc"},
        {"abc", "bc", "x", 0, 2, true, 0, "abc"},
    };
    for (const Case& c : cases) {
        SString s(c.text);
        EXPECT_EQ(s.Replace(c.find, c.with, c.start, c.count, c.matchCase), c.replaced) << c.text;
        EXPECT_EQ(Text(s), c.result) << c.text << " " << c.find << "->" << c.with;
    }
}

TEST(SString, TrimsWhiteOrCountedCharacters) {
    struct Case {
        const char* text;
        bool right;
        int n;
        bool spacesOnly;
        int returned;
        const char* result;
    };
    const Case cases[] = {
        {"x \t ", true, -1, false, 3, "x"},    {"   ", true, -1, false, 3, ""},
        {"x \t", true, -1, true, 0, "x \t"},   {"x\r\n", true, -1, false, 0, "x\r\n"},
        {"abcd", true, 2, false, 0, "ab"},     {"abcd", true, 9, false, 0, ""},
        {"abcd ", true, 0, false, 0, "abcd "}, {" \t x", false, -1, false, 3, "x"},
        {"abcd", false, 2, false, 0, "cd"},
    };
    for (const Case& c : cases) {
        SString s(c.text);
        int returned = c.right ? s.TrimRight(c.n, c.spacesOnly) : s.TrimLeft(c.n, c.spacesOnly);
        EXPECT_EQ(returned, c.returned) << c.text << (c.right ? " right " : " left ") << c.n;
        EXPECT_EQ(Text(s), c.result) << c.text << (c.right ? " right " : " left ") << c.n;
    }
    SString s("  a b \t");
    s.Trim();
    EXPECT_EQ(Text(s), "a b");
}

TEST(SString, QuotesSurroundTheTextOnly) {
    struct Case {
        const char* text;
        bool quoted;
        const char* unquoted;
    };
    const Case cases[] = {{"\"a b\"", true, "a b"},
                          {"\"\"", true, ""},
                          {"\"", false, "\""},
                          {"\"a\"b\"", false, "\"a\"b\""},
                          {"\"a", false, "\"a"}};
    for (const Case& c : cases) {
        SString s(c.text);
        EXPECT_EQ(s.IsQuoted(), c.quoted) << c.text;
        EXPECT_EQ(s.Unquote(), c.quoted) << c.text;
        EXPECT_EQ(Text(s), c.unquoted) << c.text;
    }
}

TEST(SString, IsNumericAndIsInteger) {
    struct Case {
        const char* text;
        bool numeric;
        bool integer;
    };
    const Case cases[] = {
        {"12.5", true, false}, {"-3", true, true},      {"7 ", true, true},
        {"\t7\t", true, true}, {"-.5", true, false},    {" -3", false, false},
        {"1.", false, false},  {"1.2.3", false, false}, {"3-", false, false},
        {"", false, false},    {" \t ", false, false},  {"-", false, false},
        {"1e5", false, false}, {"1 2", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SString(c.text).IsNumeric(), c.numeric) << "'" << c.text << "'";
        EXPECT_EQ(SString(c.text).IsInteger(), c.integer) << "'" << c.text << "'";
    }
}

TEST(SString, ParseHexAcceptsHashZeroXOrBareDigits) {
    struct Case {
        const char* text;
        uint64_t value;
    };
    const Case cases[] = {
        {"#FF000000", 0xFF000000u},
        {"0x1f", 31},
        {"0X10", 16},
        {"aB", 0xAB},
        {"FFFFFFFFFFFFFFFF", UINT64_MAX},
        {"1FFFFFFFFFFFFFFFF", 0},
        {"01", 0},
        {"0x", 0},
        {"#", 0},
        {"#FG", 0},
        {"", 0},
        {"x1", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(SString(c.text).ParseHex(), c.value) << c.text;
}

TEST(SString, CountsLinesAndTheLongestLine) {
    struct Case {
        const char* text;
        int lines;
        int longest;
    };
    const Case cases[] = {{"", 1, 0},
                          {"a\r\nbcd", 2, 3},
                          {"ab\nc", 1, 2},
                          {"\r\n\r\n", 3, 0},
                          {"ab\r\nabcd\nx\r", 2, 4}};
    for (const Case& c : cases) {
        EXPECT_EQ(SString(c.text).CountLines(), c.lines) << c.text;
        EXPECT_EQ(SString(c.text).GetMaxLineLength(), c.longest) << c.text;
    }
}

TEST(SString, UrlEncodeKeepsLettersDigitsDashAndUnderscore) {
    struct Case {
        const char* text;
        bool spaceAsPlus;
        const char* encoded;
    };
    const Case cases[] = {{"a b/c", true, "a+b%2Fc"},
                          {"a b/c", false, "a%20b%2Fc"},
                          {"Az09-_", false, "Az09-_"},
                          {"~.%\xE9", true, "%7E%2E%25%E9"}};
    for (const Case& c : cases) {
        SString s(c.text);
        s.UrlEncode(c.spaceAsPlus);
        EXPECT_EQ(Text(s), c.encoded) << c.text;
    }
}

TEST(SString, Base64EndsWithExactlyOneEqualsSign) {
    struct Case {
        const char* text;
        const char* encoded;
    };
    const Case cases[] = {
        {"abc", "YWJj="},          {"a", "YQ="}, {"ab", "YWI="}, {"abcd", "YWJjZA="},
        {"\xFF\xFE\xFD", "//79="}, {"", ""}};
    for (const Case& c : cases) {
        SString s(c.text);
        s.EncodeBase64();
        EXPECT_EQ(Text(s), c.encoded) << c.text;
        s.DecodeBase64();
        EXPECT_EQ(Text(s), c.text) << c.encoded;
    }
}

TEST(SString, Base64RoundTripsEveryNonZeroByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    for (size_t length : {1, 2, 3, 4, 128, 254, 255}) {
        std::string original = all.substr(all.size() - length);
        SString s(original.c_str());
        s.EncodeBase64();
        EXPECT_EQ(s.GetLength(), static_cast<int>((length * 4 + 2) / 3 + 1)) << length;
        s.DecodeBase64();
        EXPECT_EQ(Text(s), original) << length;
    }
}

TEST(SString, DecodeBase64EndsAtTheFirstZeroByte) {
    SString s("YQBi=");  // 'a', 0, 'b'
    s.DecodeBase64();
    EXPECT_EQ(Text(s), "a");
}

}  // namespace
