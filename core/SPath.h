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

    SPath();                           // invalid until a text is set
    explicit SPath(const char* text);  // SetPath(text)
    virtual ~SPath();

    // Classifies and normalises text and returns its kind. Null, empty, a control character
    // or one of " * < > ? gives kInvalid (a refused text keeps the previous given text).
    int SetPath(const char* text);
    int SetFolder(const char* text);  // SetPath with a separator added unless it ends in one

    int GetKind() const { return kind; }
    bool IsValid() const { return kind != kInvalid; }
    bool IsNetwork() const { return kind == kNetwork; }
    bool IsUrl() const { return kind == kUrl; }
    char GetSeparator() const { return kind == kUrl ? '/' : '\\'; }

    // The pieces of the full form: root, then folder part, then name. Each is "" when the
    // path is invalid or the piece is absent; folders keep their final separator.
    const SString& GetGiven() const { return given; }  // the text as it was set
    SString GetPath() const;                           // the full form
    SString GetRoot() const;                           // "C:\", "\\srv\" or "http://srv/"
    SString GetName() const;                           // behind the last separator; "" for a folder
    SString GetTitle() const;                          // the name without its extension
    SString GetExtension(bool withDot = true, bool lowerCase = false) const;  // after the last "."
    SString GetFolder() const;  // between root and name
    // Root and folder of the folder that holds the path: a file's own folder, a folder's
    // parent; "" above a root.
    SString GetParent() const;
    SString GetLastFolderName(bool withoutSeparator = false) const;
    bool IsFolder() const;     // ends with a separator (a root is one)
    bool IsSubFolder() const;  // a folder below its root

    // Adds root, each folder (with its separator) and the name ("" for a folder) to list;
    // returns how many were added, 0 for an invalid path.
    int Split(SStringArray& list) const;
    int GetPartCount() const;  // the count Split would add
    // Parts start .. start + count - 1 (count < 0: to the end), the name left out when
    // dropName, every separator made separator; "" when the range holds nothing.
    SString GetParts(int start, int count, bool dropName, char separator) const;

private:
    SString given;
    SString full;
    int kind;
};
