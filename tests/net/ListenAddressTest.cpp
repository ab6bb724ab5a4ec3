// Where network control listens, and the warning when that is not this
// computer alone.
#include <gtest/gtest.h>

#include "net/ListenAddress.h"

namespace {

TEST(ListenAddress, WhatUsersWrite)
{
    struct Case {
        QString Text;
        QString Address;  // empty: refused
        quint16 Port;
    };
    const std::vector<Case> table{
        {"127.0.0.1:4532", "127.0.0.1", 4532},
        {"0.0.0.0:4533", "0.0.0.0", 4533},
        {"192.168.1.10", "192.168.1.10", 4532},
        {"4600", "127.0.0.1", 4600},
        {"0", "127.0.0.1", 0},
        {"localhost:4532", "127.0.0.1", 4532},
        {"localhost", "127.0.0.1", 4532},
        {"[::1]:4540", "::1", 4540},
        {"[::]:4532", "::", 4532},
        {"::1", "::1", 4532},
        {"[::1]", "::1", 4532},
        {"127.0.0.1:65536", "", 0},
        {"127.0.0.1:", "", 0},
        {"127.0.0.1:+1", "", 0},
        {"127.0.0.1:port", "", 0},
        {"radio.example.org:4532", "", 0},
        {"1.2.3.4.5", "", 0},
        {"[::1]x", "", 0},
        {"[::1", "", 0},
        {"", "", 0},
        {":4532", "", 0},
    };
    for (const Case& c : table) {
        TListenAddress parsed;
        QString error;
        const bool ok = ParseListenAddress(c.Text, parsed, error);
        EXPECT_EQ(ok, !c.Address.isEmpty()) << c.Text.toStdString() << ": " << error.toStdString();
        if (ok) {
            EXPECT_EQ(parsed.Address, QHostAddress(c.Address)) << c.Text.toStdString();
            EXPECT_EQ(parsed.Port, c.Port) << c.Text.toStdString();
        } else {
            EXPECT_FALSE(error.isEmpty()) << c.Text.toStdString();
        }
    }
}

TEST(ListenAddress, TheDefaultIsThisComputerAlone)
{
    const TListenAddress fallback;
    EXPECT_EQ(ListenAddressText(fallback.Address, fallback.Port), "127.0.0.1:4532");
    EXPECT_EQ(ListenWarning(fallback.Address, fallback.Port), "");
    EXPECT_EQ(ListenWarning(QHostAddress("::1"), 4532), "");
    EXPECT_EQ(ListenWarning(QHostAddress("127.0.0.2"), 4532), "");
    EXPECT_EQ(ListenWarning(QHostAddress("0.0.0.0"), 4532),
              "Warning: listening on 0.0.0.0:4532: anyone who can reach it can tune the board (the protocol has "
              "no password)");
    EXPECT_NE(ListenWarning(QHostAddress("192.168.1.10"), 4532), "");
    EXPECT_EQ(ListenAddressText(QHostAddress("::"), 4532), "[::]:4532");
}

TEST(ListenAddress, ErrorsSayWhatIsWrong)
{
    TListenAddress parsed;
    QString error;
    ASSERT_FALSE(ParseListenAddress("127.0.0.1:70000", parsed, error));
    EXPECT_EQ(error, "\"70000\" is not a port: give a number from 0 to 65535");
    ASSERT_FALSE(ParseListenAddress("radio.example.org:4532", parsed, error));
    EXPECT_EQ(error, "\"radio.example.org:4532\" is not an address to listen on: give a numeric address and "
                     "port, for example 127.0.0.1:4532");
}

}  // namespace
