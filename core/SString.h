#pragma once
// SString: the framework's one text type. An owned, zero-terminated buffer of 8-bit
// characters in the system's ANSI code page, with its length kept beside it. Every copy
// owns its own buffer; capacity grows in steps of 16 bytes and is never given back before
// destruction. A never-sized string has no text (GetText is null) and reads as "".
#include <cstdint>
#include <cwchar>

class SString {
public:
    SString();                          // never sized: no text, reads as ""
    SString(const char* text);          // null gives the empty text, sized
    SString(const wchar_t* text);       // from UTF-16; null gives the empty text, sized
    SString(const SString& other);      // a fresh buffer of its own
    SString(SString&& other) noexcept;  // takes the other's buffer, leaving it never sized
    virtual ~SString();
    static SString Spaces(int count);  // count spaces; below 1 gives the empty text

    // Access and sizing. Indices are zero-based; outside the text nothing is read or written.
    const char* GetText() const;      // null for a never-sized string
    const char* GetSafeText() const;  // as GetText, but "" for a never-sized string
    char* GetBuffer();                // writable text, null for a never-sized string
    int GetLength() const;            // characters before the terminator, in bytes
    int GetCapacity() const;          // bytes allocated; only grows, 0 while never sized
    char GetAt(int i) const;          // the character at i; 0 outside the text
    void SetAt(int i, char ch);       // writes inside the text only; a 0 ends the text there
    // n characters (negative: 0), the first ones kept; new positions get fill unless it is 0,
    // when the caller writes them.
    void SetLength(int n, char fill = 0);
    void Empty();  // frees the buffer: never sized again
    // A UTF-16 copy of the text, owned by the string until the next call; null without text.
    const wchar_t* GetWide();

    // Assignment and conversion: the string is sized afterwards in every case.
    void Set(const char* p, int n = -1);  // n bytes of p (-1: up to its zero); null: ""
    SString& operator=(const char* text);
    SString& operator=(char ch);
    SString& operator=(const SString& other);
    SString& operator=(SString&& other) noexcept;
    SString& operator=(const wchar_t* text);  // through the ANSI code page; failure gives ""
    SString& operator=(int value);            // decimal
    SString& operator=(unsigned value);       // decimal
    SString& operator=(double value);         // "%f" without trailing zeros: 1.5, 2
    // printf-style; a result longer than its estimate from the format is cut there.
    void Format(const char* format, ...) __attribute__((format(ms_printf, 2, 3)));

    // Comparison of whole texts: byte-wise, or without ASCII case; results are -1, 0 or 1.
    bool operator==(const char* text) const;
    bool operator!=(const char* text) const;
    bool operator==(const SString& other) const;
    bool operator!=(const SString& other) const;
    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;

    // Searching in a window (start, count): a negative start is 0, a negative or too large
    // count runs to the end; results are positions or -1.
    int Find(char ch, int start = 0, int count = -1) const;
    int FindNot(char ch, int start = 0, int count = -1) const;
    // The whole text must lie in the window; after gives the position behind the match; an
    // empty text finds nothing.
    int Find(const char* text, int start = 0, int count = -1, bool after = false) const;
    int FindNoCase(const char* text, int start = 0, int count = -1) const;
    int ReverseFind(char ch, int from = -1) const;  // last at or before from (-1: the end)
    // ReverseFind of the first of the n characters (passed as int) that occurs at all.
    int ReverseFindAny(int from, int n, ...) const;

    // Extraction: new strings, the source unchanged; out-of-range counts are clamped and an
    // empty window gives "".
    SString Left(int n) const;
    SString Right(int n) const;
    SString Mid(int start, int count = -1) const;
    SString After(char ch) const;        // behind the first ch; "" without one
    SString Before(char ch) const;       // in front of the first ch; "" without one
    SString BeforeOrAll(char ch) const;  // in front of the first ch; all without one
    // Up to the first CR or LF; next gets the position behind the break (CR LF is one).
    SString GetLine(int start, int* next = nullptr) const;
    // The run of white or non-white characters at start (a white run is passed over unless
    // keepSpace); next gets the position behind it.
    SString GetWord(int start, int* next = nullptr, bool keepSpace = false) const;
    SString WithoutSpaces(bool tabsToo = false) const;
    SString Upper() const;  // the run time's case rules for the current locale
    SString Lower() const;
    SString operator+(const char* text) const;
    SString operator+(const SString& other) const;

    // Editing in place; a position past the end changes nothing.
    void Append(const char* text);
    void Append(char ch);
    SString& operator+=(const char* text);
    SString& operator+=(const SString& other);
    SString& operator+=(char ch);
    void Insert(char ch, int pos, int n = 1);  // n copies at pos (negative: the end)
    void Insert(const char* text, int pos, int n = 1);
    int Delete(int start, int count = -1);                           // characters removed
    void Overwrite(const char* text, int start, int count);          // the window becomes text
    int Replace(char ch1, char ch2, int start = 0, int count = -1);  // replacements made
    // Left to right, never inside its own insertions; an empty find replaces nothing.
    int Replace(const char* find, const char* with, int start = 0, int count = -1,
                bool matchCase = true);
    // n < 0: strips trailing spaces and tabs (only spaces with spacesOnly) and returns how
    // many; n > 0: cuts the last n characters and returns 0.
    int TrimRight(int n = -1, bool spacesOnly = false);
    int TrimLeft(int n = -1, bool spacesOnly = false);  // the same at the start
    void Trim(int left = -1, int right = -1, bool spacesOnly = false);
    void MakeUpper();
    void MakeLower();
    bool Unquote(char ch = '"');  // drops the quotes when IsQuoted, else false and unchanged

    // Tests and numeric readings.
    bool IsQuoted(char ch = '"') const;  // ch first and last, and nowhere between
    bool IsNumeric() const;     // digits, at most one inner ".", "-" only first; blanks around
    bool IsInteger() const;     // numeric without a "."
    uint64_t ParseHex() const;  // "#hex", "0xhex" or bare hex, at most 16 digits; else 0
    int CountLines() const;     // 1 plus the CR LF pairs
    int GetMaxLineLength() const;

    // Encodings, in place.
    void UrlEncode(bool spaceAsPlus);  // letters, digits, "-", "_" kept; others "%XX"
    void EncodeBase64();               // standard alphabet, one "=" always appended
    void DecodeBase64();               // the inverse, up to the first zero byte

private:
    void Size(int length, bool keep);
    char* OpenGap(int pos, int room);

    char* text;
    int length;
    int capacity;
    wchar_t* wide;
};
