#include "core/SPath.h"

#include "core/SStringArray.h"
#include "core/SWindows.h"

namespace {

// Room for a local path's full form, terminator included: 1023 characters at most.
constexpr int kFullRoom = 1024;

// A path's full text cut into its three pieces. The root of a share or URL that has no
// separator behind its server ("\\srv", "web://srv") is the full text plus one separator,
// so it covers more than the full text; such a path is the server's root itself and has
// neither folder part nor name.
struct Pieces {
    SString root;
    int rootEnd = 0;    // characters of the full text that the root covers
    int nameStart = 0;  // where the name begins in the full text
};

Pieces Analyse(const SString& full, int kind) {
    Pieces pieces;
    const char separator = kind == SPath::kUrl ? '/' : '\\';
    if (kind == SPath::kLocal) {
        pieces.root = full.Left(3);
    } else if (kind == SPath::kNetwork) {
        const int end = full.Find('\\', 2);
        pieces.root = end >= 0 ? full.Left(end + 1) : full + "\\";
    } else if (kind == SPath::kUrl) {
        const int host = full.Find("://", 0, -1, true);
        const int end = host >= 0 ? full.Find('/', host) : -1;
        pieces.root = end >= 0 ? full.Left(end + 1) : full + "/";
    } else {
        return pieces;
    }
    const int length = full.GetLength();
    pieces.rootEnd = pieces.root.GetLength() < length ? pieces.root.GetLength() : length;
    const int last = full.ReverseFind(separator);
    pieces.nameStart = last + 1 > pieces.rootEnd ? last + 1 : pieces.rootEnd;
    return pieces;
}

SString FolderOf(const SString& full, const Pieces& pieces) {
    const int count = pieces.nameStart - pieces.rootEnd;
    return count > 0 ? full.Mid(pieces.rootEnd, count) : SString("");
}

// The position of the separator in front of a folder part's last component, or -1 when the
// folder part holds one component only. ReverseFind reads -1 as "from the end", so a folder
// part of one character is answered here.
int LastComponentStart(const SString& folder, char separator) {
    const int length = folder.GetLength();
    return length >= 2 ? folder.ReverseFind(separator, length - 2) : -1;
}

bool IsRefused(const char* text) {
    for (const char* p = text; *p; ++p) {
        const unsigned char ch = static_cast<unsigned char>(*p);
        if (ch < 32 || ch == '"' || ch == '*' || ch == '<' || ch == '>' || ch == '?') return true;
    }
    return false;
}

// The system's full form of a local path, at most kFullRoom - 1 characters in the code page;
// false when the system cannot form it or it is longer. The wide call is used because the
// ANSI one stops at MAX_PATH whatever room it is given, while paths up to 1023 characters
// are ours to accept.
bool GetFullForm(const char* text, SString& result) {
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (wideLength <= 0) return false;
    wchar_t* wide = new wchar_t[wideLength];
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide, wideLength);
    wchar_t fullWide[kFullRoom];
    const DWORD fullLength = GetFullPathNameW(wide, kFullRoom, fullWide, nullptr);
    delete[] wide;
    if (fullLength == 0 || fullLength >= static_cast<DWORD>(kFullRoom)) return false;
    char fullText[kFullRoom];
    if (WideCharToMultiByte(CP_ACP, 0, fullWide, -1, fullText, kFullRoom, nullptr, nullptr) <= 0)
        return false;
    result = fullText;
    return true;
}

}  // namespace

SPath::SPath() : given(""), full(""), kind(kInvalid) {}

SPath::SPath(const char* text) : given(""), full(""), kind(kInvalid) { SetPath(text); }

SPath::~SPath() {}

// Classifies and normalises text. A refused text (a control character or one of " * < > ?)
// leaves the previous texts in place and only makes the path invalid.
int SPath::SetPath(const char* text) {
    kind = kInvalid;
    if (!text || !*text) {
        given = "";
        full = "";
        return kind;
    }
    if (IsRefused(text)) return kind;
    given = text;

    // A URL: a scheme of at least one character in front of "://".
    if (given.Find("://") >= 1) {
        full = given;
        full.Replace('\\', '/');
        const int colon = full.Find(':');
        if (full.Mid(colon + 1, 2) == "//") kind = kUrl;
        return kind;
    }

    if (given.GetLength() >= 2 && given.GetAt(0) == '\\' && given.GetAt(1) == '\\') {
        full = given;
        full.Replace('/', '\\');
        kind = kNetwork;
        return kind;
    }

    SString form;
    if (!GetFullForm(text, form)) {
        full = "";
        return kind;
    }
    full = form;
    full.Replace('/', '\\');
    // A text written with forward slashes ("//srv/share/f") comes back from the system as a
    // share path; its root is the server, as for a text given with backslashes.
    if (full.GetAt(0) == '\\' && full.GetAt(1) == '\\') {
        kind = kNetwork;
        return kind;
    }
    // The system answers "." and ".." without a final separator, yet they name folders.
    // The current folder may be a drive root, which already ends with one.
    if ((given == "." || given == "..") && full.GetAt(full.GetLength() - 1) != '\\') full += '\\';
    kind = kLocal;
    return kind;
}

int SPath::SetFolder(const char* text) {
    if (!text || !*text) return SetPath(text);
    SString folder(text);
    const char last = folder.GetAt(folder.GetLength() - 1);
    if (last != '\\' && last != '/') folder += '\\';
    return SetPath(folder.GetText());
}

SString SPath::GetPath() const { return IsValid() ? full : SString(""); }

SString SPath::GetRoot() const {
    if (!IsValid()) return SString("");
    return Analyse(full, kind).root;
}

SString SPath::GetName() const {
    if (!IsValid()) return SString("");
    return full.Mid(Analyse(full, kind).nameStart);
}

SString SPath::GetTitle() const {
    const SString name = GetName();
    const int dot = name.ReverseFind('.');
    return dot >= 0 ? name.Left(dot) : name;
}

SString SPath::GetExtension(bool withDot, bool lowerCase) const {
    const SString name = GetName();
    const int dot = name.ReverseFind('.');
    if (dot < 0) return SString("");
    const SString extension = name.Mid(withDot ? dot : dot + 1);
    return lowerCase ? extension.Lower() : extension;
}

SString SPath::GetFolder() const {
    if (!IsValid()) return SString("");
    return FolderOf(full, Analyse(full, kind));
}

// The folder that holds the path: for a file its own folder, for a folder the one above.
SString SPath::GetParent() const {
    if (!IsValid()) return SString("");
    const Pieces pieces = Analyse(full, kind);
    const SString folder = FolderOf(full, pieces);
    if (pieces.nameStart < full.GetLength()) return pieces.root + folder;
    if (folder.GetLength() == 0) return SString("");
    return pieces.root + folder.Left(LastComponentStart(folder, GetSeparator()) + 1);
}

SString SPath::GetLastFolderName(bool withoutSeparator) const {
    const SString folder = GetFolder();
    if (folder.GetLength() == 0) return folder;
    SString last = folder.Mid(LastComponentStart(folder, GetSeparator()) + 1);
    if (withoutSeparator) last.TrimRight(1);
    return last;
}

bool SPath::IsFolder() const {
    return IsValid() && Analyse(full, kind).nameStart == full.GetLength();
}

bool SPath::IsSubFolder() const {
    if (!IsValid()) return false;
    const Pieces pieces = Analyse(full, kind);
    return pieces.nameStart == full.GetLength() && pieces.nameStart > pieces.rootEnd;
}

// Root, each folder with its separator, then the name (also when empty): C:\A\B\f.txt gives
// C:\, A\, B\ and f.txt.
int SPath::Split(SStringArray& list) const {
    if (!IsValid()) return 0;
    const Pieces pieces = Analyse(full, kind);
    const char separator = GetSeparator();
    list.Add(pieces.root.GetText());
    int added = 1;
    int start = pieces.rootEnd;
    for (int i = pieces.rootEnd; i < pieces.nameStart; ++i) {
        if (full.GetAt(i) != separator) continue;
        list.Add(full.Mid(start, i + 1 - start).GetText());
        ++added;
        start = i + 1;
    }
    list.Add(full.Mid(pieces.nameStart).GetSafeText());
    return added + 1;
}

int SPath::GetPartCount() const {
    if (!IsValid()) return 0;
    const Pieces pieces = Analyse(full, kind);
    const char separator = GetSeparator();
    int count = 2;
    for (int i = pieces.rootEnd; i < pieces.nameStart; ++i)
        if (full.GetAt(i) == separator) ++count;
    return count;
}

// Components start .. start + count - 1 joined as they are (each folder component already
// ends with its separator), then every separator made the one asked for. The package
// builder takes GetParts(n - 1, -1, false, '\\') of a file, n being its folder's part count,
// for the file's path below that folder.
SString SPath::GetParts(int start, int count, bool dropName, char separator) const {
    if (start < 0 || count == 0 || !IsValid()) return SString("");
    SStringArray parts;
    const int total = Split(parts);
    if (count < 0 || count > total - start) count = total - start;
    if (count < 1) return SString("");
    if (dropName && start + count == total) --count;
    if (count < 1) return SString("");
    SString result("");
    for (int i = start; i < start + count; ++i) result += *parts.GetAt(i);
    result.Replace('/', separator);
    result.Replace('\\', separator);
    return result;
}
