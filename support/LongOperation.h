#pragma once
// A board operation that holds the GUI thread for a second or more: while it
// runs, its window shows a progress bar in the status area, takes no input
// and keeps the progress painted. Nothing runs the event loop meanwhile, so
// no handler can re-enter the device link.
#include <QString>

class QMainWindow;
class QProgressBar;

class TLongOperation {
public:
    // steps: how many Step calls make the whole operation.
    TLongOperation(QMainWindow& window, int steps);
    ~TLongOperation();
    TLongOperation(const TLongOperation&) = delete;
    TLongOperation& operator=(const TLongOperation&) = delete;

    // What runs now, then how much is done; painted at once when what the
    // bar shows changes, so a step per transfer costs nothing.
    void Begin(const QString& what);
    void Step(int done);

private:
    QMainWindow& window_;
    QProgressBar* bar_ = nullptr;
};
