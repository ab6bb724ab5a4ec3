#include "ReferenceTools.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

std::string ReferenceBin(std::string& why)
{
    const char* dir = std::getenv("QUORVEX_WSPR_REFERENCE");
    if (!dir) {
        why = "QUORVEX_WSPR_REFERENCE is not set (run the test through ctest, whose set-up fetches the tools)";
        return {};
    }
    std::ifstream unavailable(std::filesystem::path(dir) / "unavailable");
    if (unavailable) {
        std::getline(unavailable, why);
        return {};
    }
    return (std::filesystem::path(dir) / "bin").string();
}

std::string RunCommand(const std::string& commandLine)
{
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(commandLine.c_str(), "r"), pclose);
    if (!pipe)
        ADD_FAILURE() << "cannot run " << commandLine;
    std::string out;
    std::array<char, 4096> buffer;
    while (pipe && std::fgets(buffer.data(), buffer.size(), pipe.get()))
        out += buffer.data();
    return out;
}
