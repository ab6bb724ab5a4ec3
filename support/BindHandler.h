#pragma once
// Connects a control's signal to a window's handler; what the handler raises
// goes to the default error display.
#include <QObject>

#include "support/Feedback.h"

template <typename Form, typename Sender, typename Signal>
void Bind(Form* form, Sender* sender, Signal signal, void (Form::*handler)())
{
    QObject::connect(sender, signal, form, [form, handler] { Guarded([&] { (form->*handler)(); }); });
}
