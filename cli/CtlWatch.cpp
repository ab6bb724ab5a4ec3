// quorvexctl watch: a line whenever the chosen board goes or comes back, for
// a supervisor that restarts what drives the board.
#include <cmath>
#include <ostream>

#include "cli/CtlCommands.h"
#include "usb/ChosenBoard.h"
#include "usb/UUSB.h"

namespace {

// Why the chosen board is not usable, when something can be said.
std::string AbsenceText()
{
    if (DeniedBoardSeen)
        return DeniedBoardText();
    if (ChosenBoard.Presence == TBoardPresence::OtherPresent)
        return OtherBoardText();
    return {};
}

// "back\tVELNOR-I2C\tport 5\tserial SN1", "gone\t<reason>", or the same as
// a JSON object.
void Event(const TCtlCall& call, const char* event, const std::optional<TDevice>& board)
{
    if (board) {
        call.Reply(std::string(event) + "\t" + board->Product + "\tport " + std::to_string(board->UsbPortId) +
                       "\tserial " + board->Serial,
                   {{"event", event},
                    {"product", board->Product},
                    {"port", board->UsbPortId},
                    {"serial", board->Serial}});
    } else {
        const std::string reason = AbsenceText();
        call.Reply(std::string(event) + (reason.empty() ? "" : "\t" + reason), {{"event", event}, {"reason", reason}});
    }
    call.Env.Out << std::flush;
}

}  // namespace

int CmdWatch(TCtlCall& call)
{
    const std::string intervalText = call.Args.Value("--interval").value_or("1");
    const char* accepts = "seconds, 0.01 to 3600";
    const double intervalS = NumberValue(call.Name(), "--interval", intervalText, accepts);
    if (!(intervalS >= 0.01 && intervalS <= 3600))
        RefuseValue(call.Name(), "--interval", intervalText, accepts);
    const TBoardChoice& choice = call.Board.Choice();
    ResolveChoice(choice);
    bool first = true;
    std::optional<TDevice> was;
    do {
        const std::optional<TDevice> now = FindChosen(choice);
        // A board back under a new number went and came back between two looks.
        const bool back = now && (!was || was->UsbPortId != now->UsbPortId);
        if (first)
            Event(call, now ? "present" : "absent", now);
        else if (back)
            Event(call, "back", now);
        else if (was && !now)
            Event(call, "gone", now);
        if (now)
            SelUsbPortId = now->UsbPortId;  // follows the board its serial names
        first = false;
        was = now;
    } while (call.Pause(std::llround(intervalS * 1000)));
    return CtlOk;
}
