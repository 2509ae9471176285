#pragma once
// Each row holds what a call gave, what it must give and its text, so a failing row names itself.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <type_traits>

#include "core/SString.h"

// A string's text up to its length, so that a wrong length shows as well.
inline std::string Str(const SString& s) { return std::string(s.GetSafeText(), s.GetLength()); }
inline std::string Str(const std::string& s) { return s; }
inline std::string Str(const char* s) { return s; }
template <class T>
std::string Str(T value) {
    return std::to_string(value);
}

// What a call leaves in subject, as show writes it, then "|" and what it returned, if anything.
template <class Subject, class Call, class Show>
std::string Outcome(Subject& subject, Call call, Show show) {
    std::string result;
    if constexpr (std::is_void<decltype(call(subject))>::value)
        call(subject);
    else
        result = "|" + Str(call(subject));
    return show(subject) + result;
}

struct Row {
    std::string got, want, label;
};
// The rows of one braced list are evaluated in order, so a row may depend on those before.
#define ROW(expr, want) \
    { Str(expr), Str(want), #expr }

inline void Check(std::initializer_list<Row> rows, const std::string& label = "") {
    for (const Row& row : rows) EXPECT_EQ(row.got, row.want) << row.label << label;
}
