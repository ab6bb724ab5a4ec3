// The server over loopback, with clients that block and read as station
// programs do: one read per reply.
#include <gtest/gtest.h>

#include <sys/socket.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "FakeStation.h"
#include "RigClient.h"
#include "ServerThread.h"

namespace {

using namespace std::chrono_literals;

class ServerTest : public ::testing::Test {
protected:
    TFakeStation Station;
    // Why the server refused or dropped clients; read it in the server's thread.
    std::vector<QString> Dropped;

    void RecordDrops(TServerThread& server)
    {
        server.Run([this](TRigServer& s) {
            QObject::connect(&s, &TRigServer::ClientDropped,
                             [this](const QString&, const QString& why) { Dropped.push_back(why); });
        });
    }
};

TEST_F(ServerTest, EachReplyComesWholeInOneRead)
{
    Station.Preset(14074000);
    TServerThread server(Station);
    TRigClient client(server.Port());
    ASSERT_TRUE(client.Connected());
    const std::vector<std::pair<std::string, std::string>> table{
        {"F  145888543\n", "RPRT 0\n"},
        {"f\n", "145888543\n"},
        {"t\n", "0\n"},
        {"\x8b\n", "0\n"},
        {"I  145891369\n", "RPRT -11\n"},
        {"+\\get_split_vfo\n", "get_split_vfo:\nSplit: 0\nTX VFO: VFOA\nRPRT 0\n"},
        {"\\chk_vfo\n", "0\n"},
    };
    for (const auto& [command, reply] : table) {
        ASSERT_TRUE(client.Send(command));
        EXPECT_EQ(client.ReadOnce(), reply) << command;
    }
    // The longest reply as well.
    ASSERT_TRUE(client.Send("\\dump_state\n"));
    const std::string dump = client.ReadOnce();
    EXPECT_EQ(dump.substr(0, 2), "0\n");
    EXPECT_EQ(dump.substr(dump.size() - 4), "0x0\n");
    EXPECT_EQ(Station.Set(), std::vector<double>{145888543});
}

TEST_F(ServerTest, SeveralCommandsInOneReadAreAnsweredInOrder)
{
    TServerThread server(Station);
    TRigClient client(server.Port());
    const std::string expected = "RPRT 0\n14074000\nget_freq:\nFrequency: 14074000\nRPRT 0\n0\nRPRT -11\nRPRT 0\n";
    ASSERT_TRUE(client.Send("F 14074000\nf\n+f\nt\nT 1\nF 7074000\n"));
    EXPECT_EQ(client.Read(expected.size()), expected);
    EXPECT_EQ(Station.Set(), (std::vector<double>{14074000, 7074000}));
}

TEST_F(ServerTest, AHalfLineWaitsForTheRest)
{
    TServerThread server(Station);
    TRigClient client(server.Port());
    ASSERT_TRUE(client.Send("F 1407"));
    EXPECT_EQ(client.ReadOnce(200), "");
    ASSERT_TRUE(client.Send("4000\nf"));
    EXPECT_EQ(client.ReadOnce(), "RPRT 0\n");
    ASSERT_TRUE(client.Send("\n"));
    EXPECT_EQ(client.ReadOnce(), "14074000\n");
}

TEST_F(ServerTest, QuitEndsTheConnectionAfterTheRepliesBeforeIt)
{
    TServerThread server(Station);
    TRigClient client(server.Port());
    ASSERT_TRUE(server.WaitForClients(1));
    ASSERT_TRUE(client.Send("T 0\nq\nF 7074000\n"));
    EXPECT_EQ(client.ReadOnce(), "RPRT 0\n");
    EXPECT_TRUE(client.Ended());
    EXPECT_TRUE(server.WaitForClients(0));
    EXPECT_TRUE(Station.Set().empty());
}

TEST_F(ServerTest, ATooLongLineGetsOneErrorAndTheNextLineItsAnswer)
{
    TRigServerLimits limits;
    limits.MaxLineBytes = 64;
    TServerThread server(Station, limits);
    TRigClient client(server.Port());
    ASSERT_TRUE(client.Send("F " + std::string(10000, '1')));
    EXPECT_EQ(client.Read(8), "RPRT -8\n");
    ASSERT_TRUE(client.Send(std::string(10000, '2') + "\nF 14074000\n"));
    EXPECT_EQ(client.Read(7), "RPRT 0\n");
    EXPECT_EQ(client.ReadOnce(200), "");
    EXPECT_EQ(Station.Set(), std::vector<double>{14074000});
}

// Half a line left alone, a flood of garbage, replies never read: each such
// client gets errors or is dropped, and a well-behaved client beside it is
// answered all the while.
TEST_F(ServerTest, AMisbehavingClientDoesNotDisturbTheOthers)
{
    TRigServerLimits limits;
    limits.StalledLineMs = 100;
    limits.MaxUnreadReplyBytes = 4096;
    TServerThread server(Station, limits);
    RecordDrops(server);
    TRigClient good(server.Port());

    const auto goodIsAnswered = [&](const char* when) {
        ASSERT_TRUE(good.Send("F 14074000\nf\n")) << when;
        EXPECT_EQ(good.Read(16, 2000), "RPRT 0\n14074000\n") << when;
    };

    TRigClient halfLine(server.Port());
    ASSERT_TRUE(halfLine.Send("F 140"));
    goodIsAnswered("half a line waits");
    EXPECT_TRUE(halfLine.Ended(3000));  // dropped after its line stalled

    TRigClient flood(server.Port());
    std::string garbage;
    for (int i = 0; i < 20000; ++i)
        garbage += "\x01\x7f garbage " + std::to_string(i) + "\n";
    std::string errors;
    std::thread flooder([&] { flood.Send(garbage); });
    std::thread reader([&] { errors = flood.Read(20000 * 8, 10000); });
    goodIsAnswered("during a flood");
    flooder.join();
    reader.join();
    // Every garbage line got its error.
    ASSERT_EQ(errors.size(), 20000u * 8);
    EXPECT_EQ(errors.substr(0, 8), "RPRT -4\n");

    TRigClient deaf(server.Port());
    const int small = 4096;
    ::setsockopt(deaf.Fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::string dumps;
    for (int i = 0; i < 1000; ++i)
        dumps += "\\dump_state\n";
    // Dropped once its unread replies pass the limit (and the kernel's
    // buffers are full): its sends then fail.
    int batches = 0;
    while (batches < 2000 && deaf.Send(dumps))
        ++batches;
    EXPECT_LT(batches, 2000);
    goodIsAnswered("after a client that does not read");
    EXPECT_TRUE(server.WaitForClients(2));  // good and flood

    good.Close();
    flood.Close();
    EXPECT_TRUE(server.WaitForClients(0));
    server.Run([&](TRigServer&) {
        EXPECT_EQ(Dropped, (std::vector<QString>{"left half a line unfinished", "does not read its replies"}));
    });
}

// 1,000 frequencies in one go, each taking a board's 2 ms: 2 s of work that
// is done in turns, so another client (or the windows) waits a turn, not 2 s.
TEST_F(ServerTest, AFloodOfBoardCommandsDoesNotHoldTheOthers)
{
    Station.Delay = 2ms;
    Station.Recording = false;
    TServerThread server(Station);
    TRigClient flood(server.Port());
    TRigClient other(server.Port());
    std::string lines;
    for (int i = 0; i < 1000; ++i)
        lines += "F " + std::to_string(14000000 + i) + "\n";
    ASSERT_TRUE(flood.Send(lines));
    std::this_thread::sleep_for(50ms);  // the flood is being answered
    const auto asked = std::chrono::steady_clock::now();
    ASSERT_TRUE(other.Send("t\n"));
    EXPECT_EQ(other.ReadOnce(), "0\n");
    EXPECT_LT(std::chrono::steady_clock::now() - asked, 500ms);
    std::string answers;
    for (int i = 0; i < 1000; ++i)
        answers += "RPRT 0\n";
    EXPECT_EQ(flood.Read(answers.size(), 30000), answers);
    EXPECT_EQ(Station.Frequency(), 14000999);
}

TEST_F(ServerTest, PlacesAreBoundedAndASilentClientMakesRoom)
{
    TRigServerLimits limits;
    limits.MaxClients = 2;
    limits.IdleBeforeEvictionMs = 300;
    TServerThread server(Station, limits);
    RecordDrops(server);
    TRigClient first(server.Port());
    TRigClient second(server.Port());
    ASSERT_TRUE(server.WaitForClients(2));
    TRigClient third(server.Port());  // every place is taken, none silent long enough
    EXPECT_TRUE(third.Ended());
    ASSERT_TRUE(second.Send("f\n"));
    EXPECT_EQ(second.ReadOnce(), "0\n");

    std::this_thread::sleep_for(200ms);
    ASSERT_TRUE(second.Send("t\n"));  // second talks, first stays silent
    EXPECT_EQ(second.ReadOnce(), "0\n");
    std::this_thread::sleep_for(200ms);
    TRigClient fourth(server.Port());  // takes the place first kept silent longest
    EXPECT_TRUE(first.Ended());
    ASSERT_TRUE(fourth.Send("t\n"));
    EXPECT_EQ(fourth.ReadOnce(), "0\n");
    ASSERT_TRUE(second.Send("t\n"));
    EXPECT_EQ(second.ReadOnce(), "0\n");
    EXPECT_EQ(server.ClientCount(), 2);
    server.Run([&](TRigServer&) {
        EXPECT_EQ(Dropped, (std::vector<QString>{"every place is taken", "silent longest, when a new client came"}));
    });
}

TEST_F(ServerTest, ClientsAreCountedAndCloseDropsThem)
{
    TServerThread server(Station);
    std::vector<int> counts;
    server.Run([&](TRigServer& s) {
        QObject::connect(&s, &TRigServer::ClientsChanged, [&](int n) { counts.push_back(n); });
    });
    {
        TRigClient a(server.Port());
        ASSERT_TRUE(server.WaitForClients(1));
        TRigClient b(server.Port());
        ASSERT_TRUE(server.WaitForClients(2));
        ASSERT_TRUE(a.Send("q\n"));
        ASSERT_TRUE(server.WaitForClients(1));
        server.Run([](TRigServer& s) { s.Close(); });
        EXPECT_TRUE(b.Ended());
        server.Run([](TRigServer& s) { EXPECT_FALSE(s.IsListening()); });
        TRigClient c(server.Port());
        EXPECT_FALSE(c.Connected());
    }
    server.Run([&](TRigServer&) { EXPECT_EQ(counts, (std::vector<int>{1, 2, 1, 0})); });
}

TEST_F(ServerTest, AnAddressInUseIsRefusedWithTheReason)
{
    TServerThread first(Station);
    TServerThread second(Station);
    second.Run([&](TRigServer& s) {
        EXPECT_FALSE(s.Listen(QHostAddress::LocalHost, first.Port()));
        EXPECT_FALSE(s.ErrorText().isEmpty());
        EXPECT_FALSE(s.IsListening());
    });
}

TEST_F(ServerTest, TheTapSeesEveryChunkBothWays)
{
    TServerThread server(Station);
    std::vector<std::string> seen;
    server.Run([&](TRigServer& s) {
        s.Tap = [&](int client, bool fromClient, std::string_view bytes) {
            seen.push_back(std::to_string(client) + (fromClient ? " > " : " < ") + std::string(bytes));
        };
    });
    TRigClient client(server.Port());
    ASSERT_TRUE(client.Send("f\nt\n"));
    EXPECT_EQ(client.Read(4), "0\n0\n");
    server.Run([&](TRigServer&) { EXPECT_EQ(seen, (std::vector<std::string>{"1 > f\nt\n", "1 < 0\n0\n"})); });
}

}  // namespace
