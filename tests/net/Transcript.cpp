#include "Transcript.h"

#include "support/NumberText.h"

bool UnescapeBytes(std::string_view text, std::string& bytes)
{
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size())
            return false;
        switch (text[i]) {
        case '\\':
            bytes += '\\';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 'r':
            bytes += '\r';
            break;
        case 'x': {
            const int high = i + 1 < text.size() ? HexDigitValue(text[i + 1]) : -1;
            const int low = i + 2 < text.size() ? HexDigitValue(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                return false;
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

bool ReadTranscript(std::istream& in, std::vector<TTranscriptChunk>& chunks, std::string& error)
{
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (line.empty() || line[0] == '#')
            continue;
        const size_t space = line.find(' ');
        TTranscriptChunk chunk;
        int32_t client = 0;
        const bool ok = space != std::string::npos && space + 3 <= line.size() &&
                        TryStrToIntRuntime(line.substr(0, space), client) &&
                        (line[space + 1] == '>' || line[space + 1] == '<') && line[space + 2] == ' ' &&
                        UnescapeBytes(std::string_view(line).substr(space + 3), chunk.Bytes);
        if (!ok) {
            error = "line " + std::to_string(number) + " is not a transcript chunk";
            return false;
        }
        chunk.Client = client;
        chunk.FromClient = line[space + 1] == '>';
        chunks.push_back(std::move(chunk));
    }
    return true;
}
