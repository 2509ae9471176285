#pragma once
// SString: the framework's one text type. An owned, zero-terminated buffer of 8-bit
// characters in the system's ANSI code page, with its length kept beside it. Every copy
// owns its own buffer; capacity grows in steps of 16 bytes and is never given back before
// destruction. A never-sized string has no text (GetText is null) and reads as "".
#include <cstdint>
#include <cwchar>

class SString {
public:
    SString();
    SString(const char* text);     // null gives the empty text, sized
    SString(const wchar_t* text);  // from UTF-16; null gives the empty text, sized
    SString(const SString& other);
    SString(SString&& other) noexcept;
    virtual ~SString();
    static SString Spaces(int count);  // count spaces; below 1 gives the empty text

    // Access and sizing.
    const char* GetText() const;      // null for a never-sized string
    const char* GetSafeText() const;  // as GetText, but "" for a never-sized string
    char* GetBuffer();                // writable text, null for a never-sized string
    int GetLength() const;
    int GetCapacity() const;
    char GetAt(int i) const;
    void SetAt(int i, char ch);
    void SetLength(int n, char fill = 0);
    void Empty();
    const wchar_t* GetWide();

    // Assignment and conversion.
    void Set(const char* p, int n = -1);
    SString& operator=(const char* text);
    SString& operator=(char ch);
    SString& operator=(const SString& other);
    SString& operator=(SString&& other) noexcept;
    SString& operator=(const wchar_t* text);
    SString& operator=(int value);
    SString& operator=(unsigned value);
    SString& operator=(double value);
    void Format(const char* format, ...) __attribute__((format(ms_printf, 2, 3)));

    // Comparison of whole texts.
    bool operator==(const char* text) const;
    bool operator!=(const char* text) const;
    bool operator==(const SString& other) const;
    bool operator!=(const SString& other) const;
    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;

    // Searching; results are positions or -1.
    int Find(char ch, int start = 0, int count = -1) const;
    int FindNot(char ch, int start = 0, int count = -1) const;
    int Find(const char* text, int start = 0, int count = -1, bool after = false) const;
    int FindNoCase(const char* text, int start = 0, int count = -1) const;
    int ReverseFind(char ch, int from = -1) const;
    int ReverseFindAny(int from, int n, ...) const;  // n characters follow, passed as int

    // Extraction: new strings, the source unchanged.
    SString Left(int n) const;
    SString Right(int n) const;
    SString Mid(int start, int count = -1) const;
    SString After(char ch) const;
    SString Before(char ch) const;
    SString BeforeOrAll(char ch) const;
    SString GetLine(int start, int* next = nullptr) const;
    SString GetWord(int start, int* next = nullptr, bool keepSpace = false) const;
    SString WithoutSpaces(bool tabsToo = false) const;
    SString Upper() const;
    SString Lower() const;
    SString operator+(const char* text) const;
    SString operator+(const SString& other) const;

    // Editing in place.
    void Append(const char* text);
    void Append(char ch);
    SString& operator+=(const char* text);
    SString& operator+=(const SString& other);
    SString& operator+=(char ch);
    void Insert(char ch, int pos, int n = 1);
    void Insert(const char* text, int pos, int n = 1);
    int Delete(int start, int count = -1);
    void Overwrite(const char* text, int start, int count);
    int Replace(char ch1, char ch2, int start = 0, int count = -1);
    int Replace(const char* find, const char* with, int start = 0, int count = -1,
                bool matchCase = true);
    int TrimRight(int n = -1, bool spacesOnly = false);
    int TrimLeft(int n = -1, bool spacesOnly = false);
    void Trim(int left = -1, int right = -1, bool spacesOnly = false);
    void MakeUpper();
    void MakeLower();
    bool Unquote(char ch = '"');

    // Tests and numeric readings.
    bool IsQuoted(char ch = '"') const;
    bool IsNumeric() const;
    bool IsInteger() const;
    uint64_t ParseHex() const;
    int CountLines() const;
    int GetMaxLineLength() const;

    // Encodings, in place.
    void UrlEncode(bool spaceAsPlus);
    void EncodeBase64();
    void DecodeBase64();

private:
    void Size(int length, bool keep);
    char* OpenGap(int pos, int room);

    char* text;
    int length;
    int capacity;
    wchar_t* wide;
};
