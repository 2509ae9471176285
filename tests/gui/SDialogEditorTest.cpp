// Dialog descriptions: the reading rules, the writer's round trip over the two shipped
// descriptions, and damaged texts that must load or fail cleanly.
#include <gtest/gtest.h>

#include <string>

#include "core/SFileMem.h"
#include "core/SWindows.h"
#include "gui/SDialogEditor_SCtrl.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestBytes.h"
#include "tests/support/TestFolder.h"

namespace {

using Record = SDialogEditor::_SCtrl;

const char kHead[] = "VELMOR DIALOG 1.0.0.0\r\n\r\n";

bool LoadText(SDialogEditor& editor, const std::string& text) {
    SFileMem file;
    if (!text.empty()) file.Write(text.data(), static_cast<int>(text.size()));
    file.Rewind();
    return editor.Load(&file);
}

std::string SaveText(const SDialogEditor& editor) {
    SFileMem file;
    if (!editor.Save(&file)) return "<save failed>";
    return std::string(reinterpret_cast<const char*>(file.GetBuffer()), file.GetSize());
}

// One field of a record as text, so that a table can name what it checks.
std::string Field(const Record& r, const std::string& field) {
    if (field == "type") return std::to_string(r.type);
    if (field == "id") return std::to_string(r.id);
    if (field == "name") return r.name.GetSafeText();
    if (field == "position")
        return std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.width) +
               " " + std::to_string(r.height);
    if (field == "font")
        return std::string("[") + r.fontFace.GetSafeText() + "] " + std::to_string(r.fontSize) +
               " " + std::to_string(r.fontStyle);
    if (field == "style") {
        char text[16];
        snprintf(text, sizeof text, "%08X", r.style);
        return text;
    }
    if (field == "flags")
        return std::to_string(r.transparent) + std::to_string(r.locked) +
               std::to_string(r.isDialog);
    if (field == "properties") return r.properties.GetSafeText();
    if (field.rfind("text:", 0) == 0) return r.GetProperty(field.c_str() + 5).GetSafeText();
    if (field.rfind("int:", 0) == 0) return std::to_string(r.GetPropertyInt(field.c_str() + 4));
    return "<unknown field>";
}

#define DLG "[DIALOG]\r\n\r\n"

TEST(SDialogEditor, ReadsEveryKeyByItsRule) {
    const struct {
        const char* records;  // after the header and the empty line
        int record;           // -1 the dialog, otherwise the control's index; ignored on failure
        const char* field;
        const char* expected;  // null: the load fails
    } cases[] = {
        {DLG "[label]\r\n\r\n", 0, "type", "11"},
        {DLG "(Window)\r\n\r\n", 0, "type", "32"},  // the brackets are not looked at
        {DLG "[LABELS]\r\n\r\n", 0, "type", nullptr},
        // The first record's style was read with its own section's names.
        {"[BUTTON]\r\nSTYLE=WS_VISIBLE BS_LEFT\r\n\r\n", -1, "style", "10000100"},
        {DLG "[LABEL]\r\nPOSITION=75  10 150 20 \r\n\r\n", 0, "position", "75 10 150 20"},
        {DLG "[LABEL]\r\nPOSITION= 75 10 150 20\r\n\r\n", 0, "position", "10 10 150 150"},
        {DLG "[LABEL]\r\nPOSITION=-5 x 70000 20\r\n\r\n", 0, "position", "-5 0 4464 20"},
        {DLG "[LABEL]\r\nFONT= Arial , 12 , 700\r\n\r\n", 0, "font", "[Arial] 12 700"},
        {DLG "[LABEL]\r\nFONT=\"A, B\", 9, 1\r\n\r\n", 0, "font", "[\"A, B\"] 9 1"},
        {DLG "[LABEL]\r\nFONT=Arial, 12\r\n\r\n", 0, "font", "[] 0 0"},
        {DLG "[BUTTON]\r\nSTYLE=WS_VISIBLE BS_RIGHT BS_VCENTER \r\n\r\n", 0, "style", "10000E00"},
        {DLG "[LABEL]\r\nSTYLE=WS_VISIBLE BS_RIGHT BS_VCENTER \r\n\r\n", 0, "style", "10000000"},
        {DLG "[EDIT]\r\nSTYLE=es_left ES_READONLY  WS_DISABLED ES_READONLY\r\n\r\n", 0, "style",
         "08000800"},
        {DLG "[LIST]\r\nSTYLE=WS_VSCROLL\r\nSTYLE=\r\n\r\n", 0, "style", "00200000"},
        {"[DIALOG]\r\nTRANSPARENT=2\r\nISLOCKED=x\r\n\r\n", -1, "flags", "101"},
        {DLG "[LABEL]\r\nID=70000\r\n\r\n", 0, "id", "4464"},
        {DLG "[LABEL]\r\nLABEL_HALIGN=_CENTER\r\n\r\n", 0, "text:label_halign", ""},
        {DLG "[LABEL]\r\nA=1\r\n=5\r\nB=x=y\r\nA=2\r\n\r\n", 0, "properties",
         "A=1\r\nB=x=y\r\nA=2\r\n"},
        {DLG "[LABEL]\r\nA=1\r\nB=x=y\r\nA=2\r\n\r\n", 0, "text:A", "1"},
        {DLG "[LABEL]\r\nA=1\r\nB=x=y\r\n\r\n", 0, "text:B", "x=y"},
        {DLG "[LABEL]\r\nId=4\r\n\r\n", 0, "text:Id", "4"},
        {DLG "[LABEL]\r\nA=1\r\nB=\"x\r\n\r\n", 0, "text:A", ""},  // a quote left open
        {DLG "[LIST]\r\nC=\"a\nb\"\nD=2\r\n\r\n", 0, "text:C", "\"a\nb\""},
        {DLG "[PROGRESS]\r\nV= 42abc\r\nW=x\r\n\r\n", 0, "int:V", "42"},
        {DLG "[LABEL]\r\nNO EQUALS SIGN\r\n\r\n", 0, "type", nullptr},
        {DLG "[LABEL]\r\n\r\n\r\n", 0, "type", nullptr},  // a second empty line
        {DLG "[LABEL]\r\nID=1\r\n\r\n[LABEL]\r\nID=3\r\n\r\n[LABEL]\r\nID=1\r\n\r\n", 2, "id", "2"},
        {DLG "[LABEL]\r\nNAME=Label1\r\n\r\n[EDIT]\r\nNAME=Label1\r\n\r\n", 1, "name", "Edit1"},
        {DLG "[LABEL]\r\nNAME=Label1\r\n\r\n[LABEL]\r\nNAME=Label1\r\n\r\n", 1, "name", "Label2"},
        {DLG "[LABEL]\r\nNAME=label1\r\n\r\n[LABEL]\r\nNAME=Label1\r\n\r\n", 1, "name", "Label1"},
    };
    for (const auto& c : cases) {
        SDialogEditor editor;
        const bool loaded = LoadText(editor, std::string(kHead) + c.records);
        ASSERT_EQ(loaded, c.expected != nullptr) << c.records;
        if (!loaded) {
            EXPECT_EQ(editor.GetDialogRecord(), nullptr);
            EXPECT_EQ(editor.GetControlCount(), 0);
            continue;
        }
        const Record* r = c.record < 0 ? editor.GetDialogRecord() : editor.GetControl(c.record);
        ASSERT_NE(r, nullptr) << c.records;
        EXPECT_EQ(Field(*r, c.field), c.expected) << c.records << " / " << c.field;
    }
}

TEST(SDialogEditor, ColoursWriteAsTheyRead) {
    const std::pair<uint32_t, const char*> cases[] = {
        {0xFE00000F, "#FE00000F"}, {0x00123456, "#563412"},
        {0x01000000, "#01000000"}, {0, "#000000"},
    };
    for (const auto& [value, text] : cases) {
        EXPECT_STREQ(SDialogEditor::FormatColour(value).GetSafeText(), text);
        EXPECT_EQ(SDialogEditor::ParseColour(text), value) << text;
    }
    // Anything but "#" and six or eight hexadecimal digits reads as 0.
    for (const char* text : {"#fff", "#12345G", "#12345g", "#abcdeg", "0000FF", "#0000FF0"})
        EXPECT_EQ(SDialogEditor::ParseColour(text), 0u) << text;
    EXPECT_EQ(SDialogEditor::ParseColour("#abcdef"), 0xEFCDABu);
}

// A loaded text, written and read again, gives equal records and writes the same text: the
// writer loses nothing that the reader keeps. (NUL bytes end a written line, so texts holding
// one are left out.) True when the text loaded.
bool ExpectStableRoundTrip(const std::string& text) {
    SDialogEditor editor, again;
    if (!LoadText(editor, text)) return false;
    if (text.find('\0') != std::string::npos) return true;
    const std::string once = SaveText(editor);
    EXPECT_TRUE(LoadText(again, once)) << text;
    EXPECT_EQ(SaveText(again), once) << text;
    const Record* dialog = editor.GetDialogRecord();
    const Record* dialogAgain = again.GetDialogRecord();
    bool same = again.GetControlCount() == editor.GetControlCount() &&
                (dialog && dialogAgain ? *dialog == *dialogAgain : dialog == dialogAgain);
    for (int i = 0; same && i < editor.GetControlCount(); ++i)
        same = *again.GetControl(i) == *editor.GetControl(i);
    EXPECT_TRUE(same) << text;
    return true;
}

// The shipped files are in the writer's own layout: writing their records gives them back.
// Every truncation of them, and random edits, then load or fail cleanly.
TEST(SDialogEditor, ShippedDescriptionsAndDamagedOnesRoundTrip) {
    TestRandom random(12345);
    for (const char* name : {"install.dlg", "make.dlg"}) {
        const std::string original = ReadWholeFile(HelperPath(name));
        SDialogEditor editor;
        ASSERT_TRUE(LoadText(editor, original)) << name;
        EXPECT_EQ(SaveText(editor), original) << name;
        int loads = 0, tries = 0;
        for (size_t n = 0; n <= original.size(); ++n, ++tries)
            loads += ExpectStableRoundTrip(original.substr(0, n));
        for (int round = 0; round < 2000; ++round, ++tries) {
            std::string text = original;
            for (uint32_t edits = 1 + random.Next(4); edits > 0 && !text.empty(); --edits) {
                const size_t at = random.Next(static_cast<uint32_t>(text.size()));
                const char byte = "\r\n=[] \"#,0\x00xA"[random.Next(13)];
                const uint32_t kind = random.Next(3);
                if (kind == 0) text[at] = byte;
                if (kind == 1) text.insert(at, 1, byte);
                if (kind == 2) text.erase(at, 1);
            }
            loads += ExpectStableRoundTrip(text);
        }
        EXPECT_GT(loads, tries / 10) << name;  // both outcomes are exercised
        EXPECT_LT(loads, tries - tries / 10) << name;
    }
}

// Clashing ids and names are resolved through indexes, not by scanning: thousands of
// identical records load quickly, and the first one beyond the free ids is refused.
TEST(SDialogEditor, ManyClashingControls) {
    std::string text = std::string(kHead) + DLG;
    for (int i = 0; i < 9999; ++i) text += "[LABEL]\r\nNAME=x\r\n\r\n";
    SDialogEditor editor;
    ASSERT_TRUE(LoadText(editor, text));
    ASSERT_EQ(editor.GetControlCount(), 9999);
    EXPECT_EQ(editor.GetControl(9998)->id, 9998);
    EXPECT_STREQ(editor.GetControl(9998)->name.GetSafeText(), "Label9998");
    EXPECT_FALSE(LoadText(editor, text + "[LABEL]\r\n\r\n[LABEL]\r\n\r\n"));
    EXPECT_EQ(editor.GetControlCount(), 0);
}

}  // namespace
