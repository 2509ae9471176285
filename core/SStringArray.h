#pragma once
// SStringArray: the framework's list of owned strings. Each slot points to an SString the
// list owns; copies are deep (CopyStrings). Comparisons are byte-wise, or ignore ASCII case
// when the flag 0x10000 is set; the flag 1 reverses them.
#include "core/SArray.h"
#include "core/SString.h"

class SStringArray : public SArray<SString*> {
public:
    using Base = SArray<SString*>;

    SStringArray() = default;
    ~SStringArray() override;

    void RemoveAll() override;
    void CopyElement(SString** slot, SString* const& source, int index) override;
    int CompareElements(SString* const& a, SString* const& b, uint32_t flags,
                        intptr_t context) const override;
    void ElementFromText(SString** slot, const SString& text) override;
    SString ElementToText(SString* const& element) const override;
    virtual void CopyStrings(const SStringArray& other);

    // Text forms of the template operations; each builds a temporary key from the text.
    int Add(const char* text);
    int InsertAt(const char* text, int pos, int n = 1);
    int Find(const char* text, int start = 0, int end = -1) const;
    int FindSorted(const char* text, int start = 0, int end = -1) const;
    int InsertSorted(const char* text, int start = 0, int end = -1);
    int RemoveMatching(const char* text, int start = 0, int end = -1);
    SString GetText(int i) const;
    SString Join(const char* separator, int start = 0, int n = -1) const;
    int CountMatches(const char* pattern, SArray<int>* indices = nullptr, char many = '*',
                     char one = '?') const;
};
