#pragma once
// SPath: takes a path text apart. SetPath classifies the text as a local path (kind 1), a
// network share (kind 2) or a URL (kind 3), normalises it to one full form with a single
// kind of separator ("\" for kinds 1 and 2, "/" for URLs) and answers questions about its
// pieces. Kind 0 means invalid; every getter then gives the empty text. Only a local path
// touches the system, to get its full form (at most 1023 characters).
#include "core/SString.h"

class SStringArray;

class SPath {
public:
    static constexpr int kInvalid = 0;
    static constexpr int kLocal = 1;
    static constexpr int kNetwork = 2;
    static constexpr int kUrl = 3;

    SPath();
    explicit SPath(const char* text);
    virtual ~SPath();

    int SetPath(const char* text);
    int SetFolder(const char* text);

    int GetKind() const { return kind; }
    bool IsValid() const { return kind != kInvalid; }
    bool IsNetwork() const { return kind == kNetwork; }
    bool IsUrl() const { return kind == kUrl; }
    char GetSeparator() const { return kind == kUrl ? '/' : '\\'; }

    const SString& GetGiven() const { return given; }
    SString GetPath() const;
    SString GetRoot() const;
    SString GetName() const;
    SString GetTitle() const;
    SString GetExtension(bool withDot = true, bool lowerCase = false) const;
    SString GetFolder() const;
    SString GetParent() const;
    SString GetLastFolderName(bool withoutSeparator = false) const;
    bool IsFolder() const;
    bool IsSubFolder() const;

    int Split(SStringArray& list) const;
    int GetPartCount() const;
    SString GetParts(int start, int count, bool dropName, char separator) const;

private:
    SString given;
    SString full;
    int kind;
};
