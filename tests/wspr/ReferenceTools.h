#pragma once
// The reference WSPR tools that the test set-up fetches (fetch-reference.sh):
// where they are, or why they are not there, and running them.
#include <string>

// The folder with bin/wsprcode and bin/wsprd; empty with `why` set when the
// download was impossible on this machine.
std::string ReferenceBin(std::string& why);

// Runs a command line and returns what it printed on standard output.
std::string RunCommand(const std::string& commandLine);

// A test that needs the tools: skips with the reason when they could not be fetched.
#define REQUIRE_REFERENCE_TOOLS(bin)                                                   \
    std::string why_;                                                                  \
    const std::string bin = ReferenceBin(why_);                                        \
    if (bin.empty())                                                                   \
        GTEST_SKIP() << "the reference tools could not be fetched: " << why_;
