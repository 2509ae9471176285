// What the selector hands the system's save dialog: the filter block.
// The dialogs themselves are the system's; the make dialog's end-to-end test answers one.
#include <gtest/gtest.h>

#include <string>

#include "core/SStringArray.h"
#include "gui/SSelector.h"

namespace {

TEST(SSelector, FilterBlock) {
    using namespace std::string_literals;
    const struct {
        std::initializer_list<const char*> items;
        std::string block;
    } cases[] = {
        {{"Update files|*.upd", "All files|*.*"}, "Update files\0*.upd\0All files\0*.*\0\0"s},
        {{"Texts|*.txt|*.log"}, "Texts\0*.txt|*.log\0\0"s},  // only the first bar separates
        {{"No pattern"}, "No pattern\0\0"s},
        {{}, ""s},
    };
    for (const auto& c : cases) {
        SStringArray list;
        for (const char* item : c.items) list.Add(item);
        const SString block = SSelector::BuildFilterBlock(&list);
        EXPECT_EQ(std::string(block.GetSafeText(), block.GetLength()), c.block) << c.block;
    }
}

}  // namespace
