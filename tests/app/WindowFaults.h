#pragma once
// What a window showed the operator after a board operation, as one letter
// of a fault table row (one letter per entry of UsbfsFaults):
//   S  it worked and says so, with no error shown;
//   F  one message says it failed: one error box, the status line showing
//      the same text or nothing, or the status line alone;
//   P  part of it worked and the status line says so, one error box says
//      what failed;
//   O  nothing said, by design (the window knows the board is offline, or a
//      timer poll that retries on its next tick);
//   X  anything else: two messages, or a failure shown beside success.
#include <string>
#include <vector>

#include "tests/common/UsbfsFaults.h"

inline char ShownOutcome(const std::vector<std::string>& boxes, const std::string& status, bool succeeded)
{
    if (boxes.size() > 1 || (!boxes.empty() && succeeded))
        return 'X';
    if (!boxes.empty())
        return status.empty() || status == boxes[0] ? 'F' : 'P';
    if (succeeded)
        return 'S';
    return status.empty() ? 'O' : 'F';
}

// A failure text names what went wrong in the device link's words.
inline bool NamesTheFailure(const std::string& text)
{
    for (const char* words : {"Could not find USB device", "failed", "Warning: cannot", "Error", "the board sent"})
        if (text.find(words) != std::string::npos)
            return true;
    return false;
}

constexpr size_t FaultCount = std::size(UsbfsFaults);
