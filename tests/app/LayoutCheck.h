#pragma once
// What the operator sees of a window, checked widget by widget: no text cut
// off or hidden under another control, every control inside its window, the
// window on the screen, and text that reads against its background.
#include <QString>

#include <set>
#include <string>
#include <vector>

class QWidget;
class TFormSetUp;

struct LayoutExceptions {
    // Fields and lists whose text scrolls by design (a long code, a path).
    std::set<const QWidget*> Scrolls;
    // Controls placed wholly beyond the window's edge by design.
    std::set<const QWidget*> BeyondEdge;
};

// One line per fault found in the shown window and its visible controls.
std::vector<std::string> LayoutProblems(const QWidget& window, const LayoutExceptions& exceptions = {});

// The setup dialog's changing labels at their longest, through their
// handlers: the calibration warnings, the largest address, the largest step.
void ShowSetupsLongestTexts(TFormSetUp& dialog);
