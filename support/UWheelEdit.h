#pragma once
// A single-line edit that reports each mouse-wheel step as an assignable
// event, so a window can tune a value with the wheel.
#include <QLineEdit>

#include <functional>

class TWheelEdit : public QLineEdit {
public:
    // Handled starts false; a handler sets it to keep the step from the
    // default wheel handling (which passes it on to the parent).
    using TMouseWheelUpDownEvent =
        std::function<void(QObject* Sender, Qt::KeyboardModifiers Shift, QPoint MousePos, bool& Handled)>;

    using QLineEdit::QLineEdit;

    TMouseWheelUpDownEvent OnMouseWheelDown;  // one step toward the user
    TMouseWheelUpDownEvent OnMouseWheelUp;    // one step away from the user

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    // Fine-grained wheels report fractions of a step; they add up here.
    int wheelAccumulator_ = 0;
};
