#include "net/RigTrace.h"

#include <cstdio>

std::string EscapeBytes(std::string_view bytes)
{
    std::string text;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\')
            text += "\\\\";
        else if (c == '\n')
            text += "\\n";
        else if (c == '\r')
            text += "\\r";
        else if (u < 0x20 || u >= 0x7F) {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02x", u);
            text += hex;
        } else
            text += c;
    }
    return text;
}

std::string RigTraceLine(int client, bool fromClient, std::string_view bytes)
{
    return std::to_string(client) + (fromClient ? " > " : " < ") + EscapeBytes(bytes) + "\n";
}
