#pragma once
// Network control as the operator left it, kept in the settings file: the
// address the server listens on, as typed, and whether it was on (then it
// starts again with the program). No Qt here.
#include <string>

struct TNetControlSettings {
    std::string Listen = "127.0.0.1:4532";
    bool On = false;
};
inline TNetControlSettings NetControlSettings;
