// Dialog descriptions: colours, the writer's round trip over the two shipped descriptions,
// damaged texts that must load or fail cleanly, and clashing records.
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

#define DLG "[DIALOG]\r\n\r\n"

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
