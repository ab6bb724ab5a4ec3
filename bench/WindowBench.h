#pragma once
// What a benchmark of the windows does before its application exists: the
// virtual bus first, no display needed, and an error box that would wait for
// a click raises instead.
#include <stdexcept>
#include <string>

#include <QtGlobal>

#include "sim/VirtualUsbfs.h"
#include "support/Feedback.h"

inline void PrepareWindowBench()
{
    VirtualUsbfs::Instance();  // before the first usb_init
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ErrorDisplayHook = [](const std::string& text) { throw std::runtime_error(text); };
}
