// quorvexctl watch: a line whenever the chosen board goes or comes back, for
// a supervisor that restarts what drives the board.
#include <algorithm>
#include <chrono>
#include <ostream>

#include "cli/CtlCommands.h"
#include "usb/ChosenBoard.h"
#include "usb/UUSB.h"

namespace {

std::string BoardText(const TDevice& d)
{
    return d.Product + "\tport " + std::to_string(d.UsbPortId) + "\tserial " + d.Serial;
}

// Why the chosen board is not usable, when something can be said.
std::string AbsenceText()
{
    if (DeniedBoardSeen)
        return "\t" + DeniedBoardText();
    if (ChosenBoard.Presence == TBoardPresence::OtherPresent)
        return "\t" + OtherBoardText();
    return {};
}

}  // namespace

int CmdWatch(const TBoardChoice& choice, double intervalS, TCtlEnvironment& env)
{
    ResolveChoice(choice);
    const auto interval = std::chrono::milliseconds(static_cast<long long>(intervalS * 1000));
    bool first = true;
    std::optional<TDevice> was;
    while (!env.StopRequested()) {
        const std::optional<TDevice> now = FindChosen(choice);
        // A board back under a new number went and came back between two looks.
        const bool back = now && (!was || was->UsbPortId != now->UsbPortId);
        if (first)
            env.Out << (now ? "present\t" + BoardText(*now) : "absent" + AbsenceText()) << "\n" << std::flush;
        else if (back)
            env.Out << "back\t" << BoardText(*now) << "\n" << std::flush;
        else if (was && !now)
            env.Out << "gone" << AbsenceText() << "\n" << std::flush;
        if (now)
            SelUsbPortId = now->UsbPortId;  // follows the board its serial names
        first = false;
        was = now;
        const auto due = std::chrono::steady_clock::now() + interval;
        for (auto left = interval; left.count() > 0 && !env.StopRequested();
             left = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now()))
            env.Sleep(static_cast<int>(std::min<long long>(left.count(), 100)));  // a stop is answered within 100 ms
    }
    return CtlOk;
}
