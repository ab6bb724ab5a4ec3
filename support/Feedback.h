#pragma once
// The two ways a window tells the operator of a failure besides its status
// bar: the default error display for raised errors, and the beep.
#include <exception>
#include <functional>
#include <string>

// Installed by tests only: record instead of showing a message box or beeping.
inline std::function<void(const std::string&)> ErrorDisplayHook;
inline std::function<void()> BeepHook;

// The default error display: a message box with the error's text.
void ShowRaisedError(const std::string& text);
void Beep();

// Runs one event handler. An error it raises ends the handler and goes to the
// default error display; it never unwinds through the toolkit's own frames.
// False when the handler raised.
template <typename Handler>
bool Guarded(Handler&& handler) noexcept
{
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        ShowRaisedError(e.what());
    }
    return false;
}
