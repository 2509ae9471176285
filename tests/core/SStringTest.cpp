#include "core/SString.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tests/core/Rows.h"

namespace {

// The text a call leaves in a fresh string of `text`, then "|" and what it returned, if anything.
template <class Call>
std::string Edited(const char* text, Call call) {
    SString s(text);
    return Outcome(s, call, [](const SString& edited) { return Str(edited); });
}

// clang-format off
#define EDIT(text, call, want) {Edited(text, [](SString& s) { return s.call; }), want, text " ." #call}
#define READ(text, call, want) {Str(SString(text).call), Str(want), text " ." #call}
// clang-format on

// A never-sized string reads as "" without being sized; every assignment sizes it.
TEST(SString, SizingCopiesAndMoves) {
    SString s, a("abc"), copy(a), sized("ab");
    copy.SetAt(0, 'X');
    const SString moved(static_cast<SString&&>(a));
    const auto null = [](const void* p) { return p == nullptr; };
    // clang-format off
    Check({ROW(s == "", true), ROW(null(s.GetWide()), true), ROW(null(s.GetText()), true),
           ROW(s.GetCapacity(), 0), ROW((s = SString(), null(s.GetText())), false),
           ROW((s.Empty(), s.Set(nullptr), null(s.GetText())), false), ROW(s, ""),
           ROW(moved, "abc"), ROW(copy, "Xbc"), ROW(null(a.GetText()), true),
           ROW((sized.SetLength(14, 'x'), sized.GetCapacity()), 16),
           ROW((sized.SetLength(15, 'x'), sized), "abxxxxxxxxxxxxx"), ROW(sized.GetCapacity(), 32),
           ROW((sized.SetLength(3), sized), "abx"), ROW(sized.GetCapacity(), 32),
           ROW((sized.Empty(), null(sized.GetText())), true), ROW(sized.GetCapacity(), 0)});
    // clang-format on
}

// "%f" writes six decimals; the zeros behind the last significant one go, then a bare point.
TEST(SString, SetsAndAssigns) {
    SString n;
    const auto number = [&n](auto value) {
        n = value;
        return Str(n);
    };
    Check({ROW(number(0.25), "0.25"), ROW(number(100.0), "100"),
           ROW(number(4000000000u), "4000000000"), EDIT("abcdef", Set("xyz", 2), "xy"),
           EDIT("abcdef", Set(s.GetText() + 1), "bcdef"), EDIT("ab", Append('\0'), "ab"),
           EDIT("abc", Insert('\0', 1), "a"), ROW(number(L"Update.exe"), "Update.exe"),
           ROW(std::wstring(n.GetWide()) == L"Update.exe", true),
           ROW((n = static_cast<const wchar_t*>(nullptr), n.GetText() != nullptr), true),
           ROW(n, "")});
}

// The result is measured first and written apart: it may be long, and read this string.
TEST(SString, FormatsLikePrintfWhateverTheLength) {
    SString s("abc");
    s.Format("%s/%s-%c%%|%I64d|%I64u|%5s|%-4d|%05.1f|%*d|%.2s%ls", s.GetText(), s.GetText(), 'z',
             -(int64_t(1) << 40), UINT64_MAX, "ab", 7, 3.14159, 3, 9, "abc", L"wide");
    EXPECT_EQ(Str(s), "abc/abc-z%|-1099511627776|18446744073709551615|   ab|7   |003.1|  9|abwide");
    const std::string longText(5000, 'k');
    s.Format("<%s>", longText.c_str());
    EXPECT_EQ(Str(s), "<" + longText + ">");
}

// One table of calls on fresh strings: what each leaves and returns.
TEST(SString, EditsAndReadsByRow) {
    const SString s("key=value"), w("a B\tc1"), same("abc"), high("\xE9"), az("AZ");
    const SString hw("hello world"), t("abcabc"), p("a/b/c");
    // Bytes compare unsigned; only ASCII letters fold, to lower case, 'A' to 'Z' and no further.
    Check({ROW(same == "abc", true), ROW(same != SString("abd"), true), ROW(same != same, false),
           ROW(high.Compare("z"), 1), ROW(high.CompareNoCase("\xC9"), 1), ROW(az == "az", false),
           ROW(az.CompareNoCase("az"), 0), ROW(SString("_").CompareNoCase("A"), -1),
           ROW(SString("[").CompareNoCase("{"), -1),
           // A window is [start, start + count) clipped to the text; a text is found only wholly
           // inside it.
           ROW(hw.Find('o', -3), 4), ROW(hw.Find('d', 10, 100), 10), ROW(hw.Find('h', 11), -1),
           ROW(hw.Find('w', 0, 6), -1), ROW(t.Find("bc", 0, 2), -1), ROW(t.Find("bc", 0, 3), 1),
           ROW(t.Find("bc", 2), 4), ROW(t.Find("cab", 1, 99), 2), ROW(t.Find("bc", 0, -1, true), 3),
           ROW(t.Find(""), -1), ROW(p.ReverseFind('/'), 3), ROW(p.ReverseFind('/', 2), 1),
           ROW(p.ReverseFind('/', 5), -1),
           ROW(s.Left(-1), ""), ROW(s.Left(99), "key=value"), ROW(s.Mid(4, 2), "va"),
           ROW(s.After('='), "value"), ROW(s.After('#'), ""), ROW(s.Before('='), "key"),
           ROW(s.Before('#'), ""), ROW(s.BeforeOrAll('#'), "key=value"),
           ROW(w.WithoutSpaces(), "aB\tc1"), ROW(w.WithoutSpaces(true), "aBc1"),
           ROW(w.Upper(), "A B\tC1"),
           // A zero replacing a character ends the text at the first one.
           EDIT("abc", Insert('x', 1, 2), "axxbc"), EDIT("abc", Insert('x', -1), "abcx"),
           EDIT("abc", Insert('x', 4), "abc"), EDIT("abc", Insert("xy", 0, 2), "xyxyabc"),
           EDIT("abc", Insert("", 1, 3), "abc"), EDIT("abcdef", Delete(1, 2), "adef|2"),
           EDIT("abcdef", Delete(2, 99), "ab|4"),
           EDIT("a.b.c.d", Replace('.', '/', 2, 4), "a.b/c/d|2"),
           EDIT("a/b/c/d", Replace('/', 0, 2), "a/b|2"), EDIT("a.b", Replace(0, 'x'), "a.b|0"),
           // Matches are counted in the original window: inserted texts are not searched again.
           EDIT("abab", Replace("ab", "abab"), "abababab|2"),
           EDIT("xx-xx-xx", Replace("x", "yy", 0, 5), "yyyy-yyyy-xx|4"),
           EDIT("xx-xx-xx", Replace("xx", "x", 3, 5), "xx-x-x|2"),
           EDIT("aAbA", Replace("a", "-", 0, -1, false), "--b-|3"),
           EDIT("aaa", Replace("aa", "b"), "ba|1"), EDIT("abc", Replace("", "x"), "abc|0"),
           EDIT("   ", TrimRight(), "|3"), EDIT("x\r\n ", TrimRight(), "x\r\n|1"),
           EDIT("x \t", TrimRight(-1, true), "x \t|0"), EDIT(" \t x", TrimLeft(), "x|3"),
           EDIT("  a b \t", Trim(), "a b"), EDIT(" \ta\t ", Trim(-1, -1, true), "\ta\t"),
           EDIT("\"a b\"", Unquote(), "a b|1"), EDIT("\"\"", Unquote(), "|1"),
           EDIT("\"", Unquote(), "\"|0"), EDIT("\"a\"b\"", Unquote(), "\"a\"b\"|0"),
           EDIT("\"a", Unquote(), "\"a|0"),
           // Digits, at most one inner "." and a "-" only as the very first character.
           READ("12.5", IsNumeric(), 1), READ("\t7\t", IsNumeric(), 1), READ(" -3", IsNumeric(), 0),
           READ("1.2.3", IsNumeric(), 0), READ("12.5", IsInteger(), 0), READ("-3", IsInteger(), 1),
           // "#hex", "0xhex" or bare hex of at most 16 digits; anything else reads 0.
           READ("#FF000000", ParseHex(), 0xFF000000u), READ("1FFFFFFFFFFFFFFFF", ParseHex(), 0),
           READ("#FG", ParseHex(), 0),
           // Any line break ends a line for its length.
           READ("\r\n\r\n", GetMaxLineLength(), 0),
           READ("ab\r\nabcd\nx\r", GetMaxLineLength(), 4),
           // URL encoding keeps letters, digits, "-" and "_"; Base64 ends with exactly one "=".
           EDIT("a b/c", UrlEncode(true), "a+b%2Fc"), EDIT("a b/c", UrlEncode(false), "a%20b%2Fc"),
           EDIT("Az09-_ ", UrlEncode(true), "Az09-_+"),
           EDIT("~.%\xE9", UrlEncode(true), "%7E%2E%25%E9"), EDIT("ab", EncodeBase64(), "YWI="),
           EDIT("abcd", EncodeBase64(), "YWJjZA="), EDIT("\xFF\xFE\xFD", EncodeBase64(), "//79="),
           EDIT("", EncodeBase64(), "")});
}

// Appending or inserting its own text: doubling needs a larger buffer (13 characters, 32).
TEST(SString, AppendAndInsertMayTakeTheirOwnText) {
    SString s("abcdefghijklm");
    Check({ROW((s.Append(s.GetText()), s), "abcdefghijklmabcdefghijklm"),
           ROW((s.Insert(s.GetText() + 24, 0, 3), Str(s).substr(0, 8)), "lmlmlmab")});
}

}  // namespace
