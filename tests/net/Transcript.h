#pragma once
// Transcripts of what passed between station programs and the server, as
// the server's trace writes them (net/RigTrace.h), read back.
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "net/RigTrace.h"

struct TTranscriptChunk {
    int Client = 0;
    bool FromClient = true;
    std::string Bytes;
};

// EscapeBytes undone; false for a malformed escape.
bool UnescapeBytes(std::string_view text, std::string& bytes);

// False with the line number in error for a malformed line.
bool ReadTranscript(std::istream& in, std::vector<TTranscriptChunk>& chunks, std::string& error);
