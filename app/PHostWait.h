#pragma once
// The install-mode wait for the host program (argument 3) to exit. Polls at once and then
// about every pauseMs, fetching argument 3 afresh each time; true ("proceed") as soon as no
// loaded module has that full path, false when the budget is spent while it still runs.
#include <cstdint>

class PHostWait {
public:
    static constexpr uint32_t kBudgetMs = 10000;
    static constexpr uint32_t kPollPauseMs = 500;

    [[nodiscard]] static bool Run(uint32_t budgetMs = kBudgetMs, uint32_t pauseMs = kPollPauseMs);
};
