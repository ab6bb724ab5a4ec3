#pragma once
// A transcript of what passed between station programs and the server: one
// chunk a line, "<client> > <bytes>" for what a client sent in one write and
// "<client> < <bytes>" for what the server answered, the bytes escaped as in
// C ("\n", "\\", "\x8b"). Lines starting with '#' are comments.
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

struct TTranscriptChunk {
    int Client = 0;
    bool FromClient = true;
    std::string Bytes;
};

std::string EscapeBytes(std::string_view bytes);
// False for a malformed escape.
bool UnescapeBytes(std::string_view text, std::string& bytes);

void WriteChunk(std::ostream& out, const TTranscriptChunk& chunk);
// False with the line number in error for a malformed line.
bool ReadTranscript(std::istream& in, std::vector<TTranscriptChunk>& chunks, std::string& error);
