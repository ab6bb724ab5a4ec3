#include "support/UWheelEdit.h"

#include <QWheelEvent>

#include "support/Feedback.h"

namespace {
// Angle delta of one wheel notch, in eighths of a degree.
constexpr int WheelStep = 120;
}  // namespace

void TWheelEdit::wheelEvent(QWheelEvent* event)
{
    wheelAccumulator_ += event->angleDelta().y();
    bool handled = false;
    const bool ok = Guarded([&] {
        while (wheelAccumulator_ >= WheelStep || wheelAccumulator_ <= -WheelStep) {
            const bool up = wheelAccumulator_ > 0;
            wheelAccumulator_ += up ? -WheelStep : WheelStep;
            handled = false;
            const TMouseWheelUpDownEvent& notify = up ? OnMouseWheelUp : OnMouseWheelDown;
            if (notify)
                notify(this, event->modifiers(), event->position().toPoint(), handled);
        }
    });
    if (!ok)
        wheelAccumulator_ %= WheelStep;  // the steps after the failing one are dropped
    // A step that raised has been dealt with; nothing else may act on it.
    if (handled || !ok)
        event->accept();
    else
        QLineEdit::wheelEvent(event);
}
