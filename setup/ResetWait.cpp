#include "setup/ResetWait.h"

bool WaitForBoardAfterReset(const std::function<void(int ms)>& pause, const std::function<bool()>& boardBack)
{
    pause(ResetSettleMs);
    for (int poll = 0;; ++poll) {
        if (boardBack())
            return true;
        if (poll == ResetPolls)
            return false;
        pause(ResetPollMs);
    }
}
