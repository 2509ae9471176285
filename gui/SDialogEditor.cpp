#include "gui/SDialogEditor.h"

#include <cstdio>
#include <cstring>

#include "gui/SDialogEditor_SCtrl.h"
#include "gui/SDialogStyles.h"

namespace {

const char kHeader[] = "VELMOR DIALOG 1.0.0.0";
constexpr int kHighestNewId = 9999;  // ids and name numbers given to clashing controls
constexpr int kHighestNameNumber = 9999;

const char* const kTypeNames[] = {
    "Dialog",        "Browser",  "Button",       "Check",        "Code Edit", "Combo",    "Edit",
    "Extended List", "Group",    "GUI",          "Image Editor", "Label",     "Lcd",      "Level",
    "List",          "Media",    "Media Player", "Panel",        "Progress",  "Property", "Radio",
    "Rich Edit",     "Scroll",   "Slider",       "Splitter",     "Spread",    "Static",   "Tab",
    "Tab Doc",       "Tool Bar", "Tree",         "Wave Editor",  "Window",
};
static_assert(sizeof kTypeNames / sizeof kTypeNames[0] == SDialogEditor::kTypeCount,
              "one name per control type");

int HexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    return -1;
}

// Fields of a text cut at every separator; with runs, a run of separators cuts once and a
// trailing run adds no empty field (a leading one does). Quotes, when asked, protect what
// they enclose. Each field is trimmed of spaces when asked.
int SplitFields(const SString& text, char separator, bool runs, bool quotes, bool trim,
                SStringArray& fields) {
    const char* p = text.GetSafeText();
    const int length = text.GetLength();
    int start = 0;
    bool quoted = false;
    for (int at = 0; at <= length; ++at) {
        if (at < length && quotes && p[at] == '"') quoted = !quoted;
        if (at < length && (quoted || p[at] != separator)) continue;
        int first = start;
        int last = at;
        if (trim) {
            while (first < last && p[first] == ' ') ++first;
            while (last > first && p[last - 1] == ' ') --last;
        }
        SString field("");
        if (last > first) field.Set(p + first, last - first);
        fields.Add(field.GetText());
        if (runs)
            while (at + 1 < length && p[at + 1] == separator) ++at;
        start = at + 1;
        if (runs && start == length) break;
    }
    return fields.GetCount();
}

int FieldNumber(const SStringArray& fields, int i) {
    const SString& field = *fields.GetAt(i);
    return static_cast<int>(
        SDialogEditor::_SCtrl::ReadNumber(field.GetSafeText(), field.GetLength()));
}

bool IsTrue(const SString& value) {
    return SDialogEditor::_SCtrl::ReadNumber(value.GetSafeText(), value.GetLength()) != 0;
}

void ReadFont(SDialogEditor::_SCtrl& record, const SString& value) {
    SStringArray fields;
    if (SplitFields(value, ',', false, true, true, fields) != 3) return;
    record.fontFace = *fields.GetAt(0);
    record.fontSize = static_cast<uint16_t>(FieldNumber(fields, 1));
    record.fontStyle = static_cast<uint32_t>(FieldNumber(fields, 2));
}

void ReadPosition(SDialogEditor::_SCtrl& record, const SString& value) {
    SStringArray fields;
    if (SplitFields(value, ' ', true, false, false, fields) != 4) return;
    record.x = static_cast<int16_t>(FieldNumber(fields, 0));
    record.y = static_cast<int16_t>(FieldNumber(fields, 1));
    record.width = static_cast<int16_t>(FieldNumber(fields, 2));
    record.height = static_cast<int16_t>(FieldNumber(fields, 3));
}

// One key line into the record; false for a line without "=".
bool ReadKey(SDialogEditor::_SCtrl& record, const SString& line) {
    const int equals = line.Find('=');
    if (equals < 0) return false;
    if (equals == 0) return true;           // an empty key carries nothing
    const SString key = line.Left(equals);  // compared with its length: NUL bytes count
    const SString value = line.Mid(equals + 1);
    if (key == SString("ID")) {
        record.id = static_cast<uint16_t>(
            SDialogEditor::_SCtrl::ReadNumber(value.GetSafeText(), value.GetLength()));
    } else if (key == SString("NAME")) {
        record.name = value;
    } else if (key == SString("CAPTION")) {
        record.caption = value;
    } else if (key == SString("FONT")) {
        ReadFont(record, value);
    } else if (key == SString("POSITION")) {
        ReadPosition(record, value);
    } else if (key == SString("STYLE") || key == SString("EXSTYLE")) {
        SDialogEditor::ParseStyles(record, value, key == SString("EXSTYLE"));
    } else if (key == SString("BACKCOLOR")) {
        record.backColor = SDialogEditor::ParseColour(value);
    } else if (key == SString("TEXTCOLOR")) {
        record.textColor = SDialogEditor::ParseColour(value);
    } else if (key == SString("TRANSPARENT")) {
        record.transparent = IsTrue(value);
    } else if (key == SString("ISLOCKED")) {
        record.locked = IsTrue(value);
    } else {
        record.properties += line;
        record.properties += "\r\n";
    }
    return true;
}

SString Number(int64_t value) {
    SString text;
    text.Format("%lld", static_cast<long long>(value));
    return text;
}

}  // namespace

SDialogEditor::SDialogEditor() : dialog(nullptr) { Clear(); }

SDialogEditor::~SDialogEditor() { Clear(); }

void SDialogEditor::Clear() {
    delete dialog;
    dialog = nullptr;
    for (int i = 0; i < controls.GetCount(); ++i) delete controls.GetAt(i);
    controls.RemoveAll();
    sortedNames.RemoveAll();
    memset(usedIds, 0, sizeof usedIds);
    lowestFreeId = 1;
    for (int& number : lowestFreeNumber) number = 1;
}

const SDialogEditor::_SCtrl* SDialogEditor::GetControl(int i) const {
    return i >= 0 && i < controls.GetCount() ? controls.GetAt(i) : nullptr;
}

const char* SDialogEditor::GetTypeName(int type) {
    return type >= 0 && type < kTypeCount ? kTypeNames[type] : nullptr;
}

int SDialogEditor::FindType(const char* name, int length) {
    for (int type = 0; type < kTypeCount; ++type) {
        const char* candidate = kTypeNames[type];
        if (static_cast<int>(strlen(candidate)) == length &&
            _strnicmp(candidate, name, length) == 0)
            return type;
    }
    return -1;
}

// "#RRGGBB" is a colour reference (red in the low byte), "#AARRGGBB" the value as written;
// any other length, a missing "#" or a digit that is not hexadecimal reads as 0.
uint32_t SDialogEditor::ParseColour(const SString& text) {
    const int length = text.GetLength();
    if ((length != 7 && length != 9) || text.GetAt(0) != '#') return 0;
    uint32_t written = 0;
    for (int i = 1; i < length; ++i) {
        const int digit = HexDigit(text.GetAt(i));
        if (digit < 0) return 0;
        written = written << 4 | static_cast<uint32_t>(digit);
    }
    if (length == 9) return written;
    return (written >> 16 & 0xFF) | (written & 0xFF00) | (written & 0xFF) << 16;
}

SString SDialogEditor::FormatColour(uint32_t value) {
    SString text;
    if (value <= 0xFFFFFF)
        text.Format("#%02X%02X%02X", value & 0xFF, value >> 8 & 0xFF, value >> 16 & 0xFF);
    else
        text.Format("#%08X", value);
    return text;
}

void SDialogEditor::ParseStyles(_SCtrl& record, const SString& text, bool extended) {
    if (text.GetLength() == 0) return;
    const uint32_t value = SDialogStyles::Parse(record.type, text);
    (extended ? record.exStyle : record.style) = value;
}

int SDialogEditor::ReadRecord(_SCtrl& record, SFile* file) const {
    if (!file) return -1;
    const int start = file->GetPosition();
    record.properties = "";
    const SString header = file->ReadLine(true);
    // The brackets are not compared: one character goes from each end.
    const int type =
        header.GetLength() >= 2 ? FindType(header.GetSafeText() + 1, header.GetLength() - 2) : -1;
    if (type < 0) return 0;
    record.type = static_cast<int16_t>(type);
    while (!file->IsEnd()) {
        const SString line = file->ReadLine(true);
        if (line.GetLength() == 0) break;
        if (!ReadKey(record, line)) return -1;
    }
    return file->GetPosition() - start;
}

bool SDialogEditor::Load(SFile* file) {
    Clear();
    if (!file) return false;
    if (file->ReadLine(true) != SString(kHeader)) return false;  // exact, NUL bytes included
    file->ReadLine(true);
    while (!file->IsEnd()) {
        _SCtrl record;
        if (ReadRecord(record, file) <= 0) {
            Clear();
            return false;
        }
        if (!dialog) {
            SetDialogRecord(record);
        } else if (AddControl(record) < 0) {
            Clear();
            return false;
        }
    }
    return true;
}

void SDialogEditor::SetDialogRecord(const _SCtrl& record) {
    if (!dialog) dialog = new _SCtrl;
    *dialog = record;
    dialog->type = kTypeDialog;
    dialog->isDialog = true;
}

// Ids and names stay unique among the controls: a clash takes the smallest free id, or the
// type name with the smallest free number (Label1, Label2, ...). The controls' ids and names
// are indexed, so that a description of many controls loads in time linear in its length.
int SDialogEditor::AddControl(const _SCtrl& record) {
    if (!GetTypeName(record.type)) return -1;
    _SCtrl* control = new _SCtrl(record);
    control->isDialog = false;
    if (!TakeId(*control) || !TakeName(*control)) {
        delete control;
        return -1;
    }
    return controls.Add(control);
}

bool SDialogEditor::TakeId(_SCtrl& control) {
    if (IdUsed(control.id)) {
        while (lowestFreeId <= kHighestNewId && IdUsed(lowestFreeId)) ++lowestFreeId;
        if (lowestFreeId > kHighestNewId) return false;
        control.id = static_cast<uint16_t>(lowestFreeId);
    }
    usedIds[control.id >> 5] |= 1u << (control.id & 31);
    return true;
}

bool SDialogEditor::TakeName(_SCtrl& control) {
    if (sortedNames.FindSorted(control.name.GetSafeText()) >= 0) {
        int& number = lowestFreeNumber[control.type];
        const SString base(GetTypeName(control.type));
        SString candidate;
        for (;; ++number) {
            if (number > kHighestNameNumber) return false;
            candidate = base + Number(number);
            if (sortedNames.FindSorted(candidate.GetText()) < 0) break;
        }
        control.name = candidate;
    }
    sortedNames.InsertSorted(control.name.GetSafeText());
    return true;
}

bool SDialogEditor::WriteRecord(const _SCtrl& record, SFile* file) const {
    if (!file || !GetTypeName(record.type)) return false;
    SString font = record.fontFace;
    font += ", ";
    font += Number(record.fontSize);
    font += ", ";
    font += Number(record.fontStyle);
    SString position = Number(record.x);
    position += " ";
    position += Number(record.y);
    position += " ";
    position += Number(record.width);
    position += " ";
    position += Number(record.height);
    const SString lines[] = {
        SString("[") + SString(GetTypeName(record.type)).Upper() + "]",
        SString("ID=") + Number(record.id),
        SString("NAME=") + record.name,
        SString("CAPTION=") + record.caption,
        SString("FONT=") + font,
        SString("POSITION=") + position,
        SString("STYLE=") + SDialogStyles::Format(record.type, record.style, false),
        SString("EXSTYLE=") + SDialogStyles::Format(record.type, record.exStyle, true),
        SString("BACKCOLOR=") + FormatColour(record.backColor),
        SString("TEXTCOLOR=") + FormatColour(record.textColor),
        SString("TRANSPARENT=") + (record.transparent ? "1" : "0"),
        SString("ISLOCKED=") + (record.locked ? "1" : "0"),
        record.properties,  // its lines end with CR LF, so the record ends with one empty line
    };
    for (const SString& line : lines)
        if (file->WriteLine(line.GetSafeText()) <= 0) return false;
    return true;
}

bool SDialogEditor::Save(SFile* file) const {
    if (!file) return false;
    if (file->WriteLine(kHeader) <= 0 || file->WriteLine("") <= 0) return false;
    if (dialog && !WriteRecord(*dialog, file)) return false;
    for (int i = 0; i < controls.GetCount(); ++i)
        if (!WriteRecord(*controls.GetAt(i), file)) return false;
    return true;
}
