#pragma once
// SValue: the framework's variant, a 64-bit integer, a real number or a text, with a kind
// that tells which one it holds. Copies are deep. A fresh value is the integer 0.
#include <cstdint>

#include "core/SString.h"

class SValue {
public:
    enum class Kind { kInteger, kReal, kText };

    SValue() = default;
    explicit SValue(int64_t integer) : integer(integer) {}
    explicit SValue(double real) : kind(Kind::kReal), real(real) {}
    explicit SValue(const char* text) : kind(Kind::kText), text(text) {}

    Kind GetKind() const { return kind; }
    // The value of the kind held; another kind reads as 0, 0.0 or the empty text.
    int64_t GetInteger() const { return kind == Kind::kInteger ? integer : 0; }
    double GetReal() const { return kind == Kind::kReal ? real : 0.0; }
    const char* GetText() const { return kind == Kind::kText ? text.GetSafeText() : ""; }

private:
    Kind kind = Kind::kInteger;
    int64_t integer = 0;
    double real = 0.0;
    SString text;
};
