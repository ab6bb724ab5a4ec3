#pragma once
// A trace of what passed between station programs and the server, one chunk
// a line: "<client> > <bytes>" for what a client sent (as one read took it)
// and "<client> < <bytes>" for what the server answered (one write), the
// bytes escaped as in C ("\n", "\\", "\x8b"). Lines starting with '#' are
// comments. quorvexctl serve --trace writes it; the tests replay recorded
// ones. No Qt here.
#include <string>
#include <string_view>

// Control characters, bytes above 0x7E and '\\' as C escapes them.
std::string EscapeBytes(std::string_view bytes);

// One chunk as its line, with its line end.
std::string RigTraceLine(int client, bool fromClient, std::string_view bytes);
