// The board model's own requests that the device link does not make yet
// (flash) and the Si570 model the demo shows, through the real library.
#include <cerrno>

#include "UsbFixture.h"

namespace {

class Handle {
public:
    Handle() { EXPECT_TRUE(OpenSelectedDevice(h_)); }
    ~Handle() { usb_close(h_); }
    int In(int request, int value, int index, uint8_t* data, int length)
    {
        return usb_control_msg(h_, 0xC0, request, value, index, reinterpret_cast<char*>(data), length, 5000);
    }
    int Out(int request, int value, int index, uint8_t* data, int length)
    {
        return usb_control_msg(h_, 0x40, request, value, index, reinterpret_cast<char*>(data), length, 5000);
    }

private:
    usb_dev_handle* h_ = nullptr;
};

}  // namespace

using VirtualBoardTest = UsbTest;

TEST_F(VirtualBoardTest, FlashKeepsItsBootSectionAndReadsBackBlocks)
{
    auto board = PlugBoard();
    Handle h;
    uint8_t start[2] = {};
    EXPECT_EQ(h.In(0xEF, 0, 0, start, 2), 2);
    EXPECT_EQ(start[0] | start[1] << 8, 0x1000);

    uint8_t block[64];
    std::fill(std::begin(block), std::end(block), 0x5A);
    EXPECT_EQ(h.Out(0xEE, 0x00FF, 0x0FC0, block, 64), 64);  // below the start: refused silently
    EXPECT_EQ(h.Out(0xEE, 0x00FF, 0x1000, block, 64), 64);
    EXPECT_EQ(board->Flash[0x0FFF], 0xFF);
    EXPECT_EQ(board->Flash[0x1000], 0x5A);
    EXPECT_EQ(board->Flash[0x103F], 0x5A);

    uint8_t back[64] = {};
    EXPECT_EQ(h.In(0xEE, 0, 0x1000, back, 64), 64);
    EXPECT_TRUE(std::equal(std::begin(back), std::end(back), std::begin(block)));
    EXPECT_EQ(h.In(0xEE, 0, 0x1FF0, back, 64), 64);
    EXPECT_EQ(back[16], 0xFF) << "beyond the 8 KiB flash reads as erased";
    EXPECT_EQ(h.In(0x77, 0, 0, back, 64), -EPIPE) << "unknown requests stall";
}

TEST_F(VirtualBoardTest, Si570FollowsItsRegistersOnlyAtItsAddress)
{
    auto board = PlugBoard();
    EXPECT_NEAR(board->OutputMHz(), 56.32, 1e-9) << "factory start-up frequency";
    I2CAddress = 0x60;
    SetFrequency(14000000);
    EXPECT_NEAR(board->OutputMHz(), 56.32, 1e-9) << "no chip answers at 0x60";
    I2CAddress = 0x55;
    SetFrequency(14000000);
    EXPECT_NEAR(board->OutputMHz(), 14.0 * 114.2852 / 114.285, 1e-9);
}

// Power comes with the cable: the Si570 starts at its factory frequency
// unless the firmware brings back the last one.
TEST_F(VirtualBoardTest, APluggedBoardPowersUpAtItsFactoryFrequencyUnlessItRemembers)
{
    auto board = PlugBoard();
    SetFrequency(14000000);
    const double tuned = board->OutputMHz();
    const struct {
        bool Remember;
        double AfterReplugMHz;
    } cases[] = {{false, 56.32}, {true, tuned}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Remember ? "remembers" : "forgets");
        SetFrequency(14000000);
        SetRememberLastFrequency(c.Remember);
        Fs.Unplug(*board);
        EXPECT_NEAR(board->OutputMHz(), tuned, 1e-9) << "nothing happens until it is plugged in";
        Fs.Plug(board);
        EXPECT_NEAR(board->OutputMHz(), c.AfterReplugMHz, 1e-9);
        SelUsbPortId = static_cast<uint8_t>(Fs.DeviceNumber(*board));
    }
    ResetAvr();  // a reset of the microcontroller keeps the Si570 going
    EXPECT_NEAR(board->OutputMHz(), tuned, 1e-9);
}

TEST_F(VirtualBoardTest, DeviceNumbersRunOnAcrossPlugs)
{
    auto board = MakeBoard();
    const int first = Fs.Plug(board);
    Fs.Unplug(*board);
    EXPECT_FALSE(Fs.IsPlugged(*board));
    const int second = Fs.Plug(board);
    EXPECT_EQ(second, first + 1 > 127 ? 2 : first + 1);
    EXPECT_THROW(Fs.Plug(board), std::logic_error);
    EXPECT_THROW(Fs.Plug(MakeBoard(), 5), std::out_of_range);
}

TEST_F(VirtualBoardTest, BoardPluggedByHandWhileRestartingComesBackOnce)
{
    auto board = PlugBoard();
    ResetAvr();
    ASSERT_FALSE(Fs.IsPlugged(*board));
    const int number = Fs.Plug(board);
    for (int i = 0; i < 4; ++i)
        SelectDevice();
    EXPECT_EQ(Fs.DeviceNumber(*board), number);
    EXPECT_EQ(Devices.size(), 1u);
}

TEST_F(VirtualBoardTest, TakesTheTimeOfALowSpeedBoardWhenAsked)
{
    using std::chrono::milliseconds;
    VirtualBoard board{VirtualBoard::Config{}};
    EXPECT_EQ(board.TransferTime(64), milliseconds(0)) << "tests do not wait by default";
    board.Latency = VirtualBoard::LowSpeedTiming;
    const std::pair<size_t, milliseconds> table[] = {
        {0, milliseconds(2)}, {1, milliseconds(2)}, {8, milliseconds(2)}, {9, milliseconds(3)},
        {64, milliseconds(9)}, {256, milliseconds(33)}};
    for (auto [bytes, time] : table)
        EXPECT_EQ(board.TransferTime(bytes), time) << bytes;

    // A one-byte EEPROM read really takes its time (a lower bound only).
    uint8_t byte = 0;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(board.Control(0xC0, 0x11, 0, 255, std::span(&byte, 1), 5000), 1);
    EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(2));
}
