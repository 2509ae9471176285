// Every window test runs between one framework start-up and one shut-down, as the program
// does: started as the updater starts it.
#include <gtest/gtest.h>

#include "gui/SSystem.h"

namespace {

class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override { SSystem::Init(GetModuleHandleA(nullptr), true, false, false); }
    void TearDown() override { SSystem::Exit(); }
};

::testing::Environment* const environment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

}  // namespace
