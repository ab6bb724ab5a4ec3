// Transcripts recorded from gpredict, a real station program, against the
// server (tests/net/gpredict-check.sh --record): each client write is sent
// again as it came, and the server must answer exactly as it did, in one
// read each time; the station must be set to every frequency sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "FakeStation.h"
#include "RigClient.h"
#include "ServerThread.h"
#include "Transcript.h"
#include "support/NumberText.h"

namespace {

std::vector<std::filesystem::path> Transcripts()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(QUORVEX_NET_DATA))
        if (entry.path().extension() == ".transcript")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

TEST(TranscriptReplay, TheServerAnswersGpredictAsItDid)
{
    const auto files = Transcripts();
    ASSERT_GE(files.size(), 5u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        std::ifstream in(file);
        std::vector<TTranscriptChunk> chunks;
        std::string error;
        ASSERT_TRUE(ReadTranscript(in, chunks, error)) << error;
        ASSERT_FALSE(chunks.empty());

        TFakeStation station;
        TServerThread server(station);
        TRigClient client(server.Port());
        std::vector<double> sent;
        for (size_t i = 0; i < chunks.size(); ++i) {
            const TTranscriptChunk& chunk = chunks[i];
            ASSERT_EQ(chunk.Client, 1);  // one connection, from Engage to disengage
            if (!chunk.FromClient)
                continue;
            if (chunk.Bytes.rfind("F ", 0) == 0)
                sent.push_back(StrToFloat(chunk.Bytes.substr(2, chunk.Bytes.size() - 3)));
            ASSERT_TRUE(client.Send(chunk.Bytes));
            if (i + 1 < chunks.size() && !chunks[i + 1].FromClient) {
                EXPECT_EQ(client.ReadOnce(), chunks[i + 1].Bytes) << EscapeBytes(chunk.Bytes);
            }
        }
        EXPECT_EQ(chunks.back().Bytes, "q\n");
        EXPECT_TRUE(client.Ended());
        EXPECT_GE(sent.size(), 4u);
        EXPECT_EQ(station.Set(), sent);
    }
}

TEST(TranscriptReplay, EscapedBytesComeBackAsTheyWere)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    std::string back;
    ASSERT_TRUE(UnescapeBytes(EscapeBytes(all), back));
    EXPECT_EQ(back, all);
    EXPECT_EQ(EscapeBytes("\x8b\n\\"), "\\x8b\\n\\\\");
    for (const char* bad : {"\\", "\\x", "\\x8", "\\xg0", "\\t"})
        EXPECT_FALSE(UnescapeBytes(bad, back)) << bad;

    // A trace's lines read back as the chunks they were written from.
    std::istringstream trace("# a comment\n" + RigTraceLine(3, true, "F 14074000\n\x8b\n") +
                             RigTraceLine(3, false, "RPRT 0\n0\n"));
    std::vector<TTranscriptChunk> chunks;
    std::string error;
    ASSERT_TRUE(ReadTranscript(trace, chunks, error)) << error;
    ASSERT_EQ(chunks.size(), 2u);
    EXPECT_EQ(RigTraceLine(3, true, "F 14074000\n\x8b\n"), "3 > F 14074000\\n\\x8b\\n\n");
    EXPECT_EQ(chunks[0].Client, 3);
    EXPECT_TRUE(chunks[0].FromClient);
    EXPECT_EQ(chunks[0].Bytes, "F 14074000\n\x8b\n");
    EXPECT_FALSE(chunks[1].FromClient);
    EXPECT_EQ(chunks[1].Bytes, "RPRT 0\n0\n");
}

}  // namespace
