// quorvexctl serve: station programs tune the demo board over TCP through
// the real binary, which a signal ends cleanly; an address it cannot listen
// on or a trace it cannot write is refused before anything runs.
#include <QTcpServer>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CtlFixture.h"
#include "RigClient.h"
#include "usb/Si570.h"

namespace {

std::string FileText(const std::string& path)
{
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The frequencies the board's Si570 was set to, from the lines of its
// request log (hex register bytes after "bytes=").
std::vector<double> SetFrequencies(const std::string& log, double fxtalMHz)
{
    std::vector<double> hz;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        const size_t bytes = line.find("bytes=");
        if (line.find(" request=0x30 ") == std::string::npos || bytes == std::string::npos)
            continue;
        TRegisterBlock block{};
        for (size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<uint8_t>(std::stoi(line.substr(bytes + 6 + 2 * i, 2), nullptr, 16));
        hz.push_back(RegisterOutputMHz(block, fxtalMHz) * 1e6);
    }
    return hz;
}

// The real binary, as a station program meets it: one client's exchanges
// answered each in one read, what the board was sent, the trace, and a
// clean end (status 0) on either signal.
TEST_F(CtlTest, ServeTunesTheBoardForStationProgramsUntilASignal)
{
    const struct {
        std::string Sent;
        std::string Reply;
    } exchanges[] = {
        {"F   14074000\n", "RPRT 0\n"},  // as gpredict formats it
        {"f\n", "14074000\n"},
        {"F 1000\n", "RPRT -1\n"},  // the Si570 cannot make it: nothing changes
        {"f\n", "14074000\n"},
        {"+\\set_freq 7074000\n", "set_freq: 7074000\nRPRT 0\n"},
        {"t\n\x8b\n", "0\n0\n"},  // PTT and DCD of a receiver, in one read
        {"\\get_freq\n", "7074000\n"},
    };
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal == SIGINT ? "SIGINT" : "SIGTERM");
        const std::string trace = File("trace"), requests = File("requests");
        int fromChild[2];
        ASSERT_EQ(::pipe(fromChild), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::dup2(fromChild[1], STDOUT_FILENO);
            ::close(fromChild[0]);
            ::execl(QUORVEX_CTL_PATH, "quorvexctl", "--demo", "--board-log", requests.c_str(), "serve", "--listen",
                    "127.0.0.1:0", "--trace", trace.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(fromChild[1]);
        FILE* out = ::fdopen(fromChild[0], "r");
        char line[256] = "";
        ASSERT_NE(std::fgets(line, sizeof line, out), nullptr);
        unsigned port = 0;
        ASSERT_EQ(std::sscanf(line, "listening on 127.0.0.1:%u\n", &port), 1) << line;

        TRigClient client(static_cast<unsigned short>(port));
        for (const auto& e : exchanges) {
            ASSERT_TRUE(client.Send(e.Sent));
            EXPECT_EQ(client.Read(e.Reply.size()), e.Reply) << e.Sent;
        }
        ::kill(child, signal);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_TRUE(client.Ended()) << "the client is let go";
        std::fclose(out);

        const std::vector<double> set = SetFrequencies(FileText(requests), 114.285);
        ASSERT_EQ(set.size(), 2u) << "one transfer a frequency the board makes, none for the refused";
        EXPECT_NEAR(set[0], 14074000, 0.01);
        EXPECT_NEAR(set[1], 7074000, 0.01);
        const std::string traced = FileText(trace);
        EXPECT_EQ(traced.substr(0, 40), "1 > F   14074000\\n\n1 < RPRT 0\\n\n1 > f\\n\n") << traced;
        EXPECT_NE(traced.find("1 > t\\n\\x8b\\n\n1 < 0\\n0\\n\n"), std::string::npos) << traced;
    }
}

TEST_F(CtlTest, ServeRefusesWhatItCannotListenOnOrWrite)
{
    PlugBoard();
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::LocalHost, 0));
    const std::string inUse = "127.0.0.1:" + std::to_string(taken.serverPort());
    const std::string missing = File("no/such/folder/trace");
    const struct {
        std::vector<const char*> Args;
        int Status;
        std::string Err;  // its start
    } cases[] = {
        {{"serve", "--listen", "radio.example.org:4532"}, 1,
         "quorvexctl: serve: --listen 'radio.example.org:4532' is not accepted: \"radio.example.org:4532\" is not "
         "an address to listen on"},
        {{"serve", "--listen", "127.0.0.1:99999"}, 1,
         "quorvexctl: serve: --listen '127.0.0.1:99999' is not accepted: \"99999\" is not a port"},
        {{"serve", "--multiplier", "x"}, 1, "quorvexctl: serve: --multiplier 'x' is not a finite number"},
        {{"serve", "--listen", inUse.c_str()}, 6, "quorvexctl: cannot listen on " + inUse + ": "},
        {{"serve", "--trace", missing.c_str()}, 4, "quorvexctl: Cannot create file " + missing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Err);
        const Result r = Run(c.Args);
        EXPECT_EQ(r.Status, c.Status);
        EXPECT_EQ(r.Out, "");
        EXPECT_TRUE(r.Err.starts_with(c.Err)) << r.Err;
    }
}

}  // namespace
