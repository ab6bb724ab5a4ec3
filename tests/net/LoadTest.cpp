// 16 station programs at once on loopback, 10,000 commands each: every
// command answered once and in order, nothing lost, and the server's file
// descriptors and memory the same afterwards.
#include <gtest/gtest.h>

#include <malloc.h>

#include <filesystem>
#include <iostream>

#include "FakeStation.h"
#include "LoadClients.h"
#include "ServerThread.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEX_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEX_ASAN 1
#endif
#endif
#ifdef QUORVEX_ASAN
#include <sanitizer/allocator_interface.h>
#endif

namespace {

long OpenDescriptors()
{
    long n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

long HeapInUse()
{
#ifdef QUORVEX_ASAN
    return static_cast<long>(__sanitizer_get_current_allocated_bytes());
#else
    return static_cast<long>(mallinfo2().uordblks);
#endif
}

TEST(Load, SixteenClientsTenThousandCommandsEach)
{
    constexpr int Clients = 16;
    constexpr int Commands = 10000;
    TFakeStation station;
    station.Recording = false;
    TServerThread server(station);
    // A first round brings every buffer to its working size.
    const TLoadResult warm = RunLoad(server.Port(), Clients, 500);
    ASSERT_EQ(warm.Answered, Clients * 500L) << warm.FirstProblem;
    ASSERT_TRUE(server.WaitForClients(0));
    const long descriptors = OpenDescriptors();
    const long heap = HeapInUse();

    const TLoadResult r = RunLoad(server.Port(), Clients, Commands);
    EXPECT_EQ(r.Answered, static_cast<long>(Clients) * Commands) << r.FirstProblem;
    EXPECT_EQ(r.Wrong, 0) << r.FirstProblem;
    EXPECT_EQ(r.Unanswered, 0) << r.FirstProblem;
    EXPECT_EQ(r.Extra, 0) << r.FirstProblem;
    EXPECT_TRUE(server.WaitForClients(0));
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_LT(HeapInUse() - heap, 256 * 1024);
    std::cout << "load: " << r.Answered << " commands in " << r.Seconds << " s ("
              << static_cast<long>(r.Answered / r.Seconds) << " per second), latency median " << r.MedianLatencyUs
              << " us, max " << r.MaxLatencyUs << " us\n";
}

}  // namespace
