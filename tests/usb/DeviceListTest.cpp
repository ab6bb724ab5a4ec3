#include <algorithm>
#include <cstdio>

#include "UsbFixture.h"

namespace {

std::string DeviceLine(const VirtualUsbfs& fs, const VirtualBoard& board, const char* ids)
{
    char name[16];
    std::snprintf(name, sizeof name, "%03d/%03d", fs.BusOf(board), fs.DeviceNumber(board));
    return name + std::string("     ") + ids;
}

// The report lines of one device: from its bus/device line up to the next one.
TReport BlockOf(const TReport& report, const std::string& deviceLine)
{
    auto first = std::find(report.begin(), report.end(), deviceLine);
    if (first == report.end())
        return {};
    auto last = std::find_if(first + 1, report.end(), [](const std::string& l) { return l[0] != ' ' && l[0] != '-'; });
    return TReport(first, last);
}

std::shared_ptr<VirtualBoard> OtherVendorsGadget()
{
    VirtualBoard::Config c;
    c.Vid = 0x1234;
    c.Pid = 0x5678;
    c.Manufacturer = u"Acme";
    c.Product = u"VELNOR-I2C";  // even a matching product is not read from a foreign vendor
    c.Firmware = false;
    return std::make_shared<VirtualBoard>(c);
}

}  // namespace

using DeviceListTest = UsbTest;

TEST_F(DeviceListTest, ReportsEveryDescriptorOfTheBoard)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN-7");
    TReport report;
    TDevices list;
    EnumerateDevices(&report, list);
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report[0], "bus/device  idVendor/idProduct");
    const TReport expected = {
        DeviceLine(Fs, *board, "0x16C0/0x05DC"),
        "- Manufacturer : " QUORVEX_BOARD_MANUFACTURER,
        "- Product      : VELNOR-I2C",
        "- Serial Number: SN-7",
        "  wTotalLength:         18",
        "  bNumInterfaces:       1",
        "  bConfigurationValue:  1",
        "  iConfiguration:       0",
        "  bmAttributes:         80h",
        "  MaxPower:             50",
        "    bInterfaceNumber:   0",
        "    bAlternateSetting:  0",
        "    bNumEndpoints:      0",
        "    bInterfaceClass:    255",
        "    bInterfaceSubClass: 0",
        "    bInterfaceProtocol: 0",
        "    iInterface:         0",
    };
    EXPECT_EQ(BlockOf(report, expected[0]), expected);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].Vid, 0x16C0);
    EXPECT_EQ(list[0].Pid, 0x05DC);
    EXPECT_EQ(list[0].Manufacturer, QUORVEX_BOARD_MANUFACTURER);
    EXPECT_EQ(list[0].Serial, "SN-7");
    EXPECT_EQ(list[0].UsbPortId, Fs.DeviceNumber(*board));
}

TEST_F(DeviceListTest, ForeignDevicesAreReportedWithoutStringsAndNotListed)
{
    auto gadget = OtherVendorsGadget();
    Fs.Plug(gadget);
    TReport report;
    TDevices list;
    EnumerateDevices(&report, list);
    const TReport block = BlockOf(report, DeviceLine(Fs, *gadget, "0x1234/0x5678"));
    ASSERT_EQ(block.size(), 14u) << "device line, configuration and interface, no strings";
    EXPECT_EQ(block[1], "  wTotalLength:         18");
    EXPECT_TRUE(list.empty());
    EXPECT_TRUE(gadget->Log.empty()) << "not one string was asked for";

    // The root hub carries an endpoint.
    const TReport hub = BlockOf(report, "001/001     0x1D6B/0x0002");
    ASSERT_EQ(hub.size(), 20u);
    const TReport endpoint(hub.end() - 6, hub.end());
    EXPECT_EQ(endpoint, (TReport{"      bEndpointAddress: 81h", "      bmAttributes:     03h",
                                 "      wMaxPacketSize:   4", "      bInterval:        12",
                                 "      bRefresh:         0", "      bSynchAddress:    0"}));
}

TEST_F(DeviceListTest, StringFailuresAreReportedAndLeaveFieldsEmpty)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN-1");
    board->FailStrings = 1u << 1 | 1u << 3;
    TReport report;
    TDevices list;
    SelProduct = "";  // keep nothing: only the report matters here
    EnumerateDevices(&report, list);
    const TReport block = BlockOf(report, DeviceLine(Fs, *board, "0x16C0/0x05DC"));
    ASSERT_GE(block.size(), 4u);
    EXPECT_EQ(block[1], "- Unable to fetch manufacturer string");
    EXPECT_EQ(block[2], "- Product      : VELNOR-I2C");
    EXPECT_EQ(block[3], "- Unable to fetch serial number string");

    // A board this user may not use: the library's words and the fix, once.
    board->FailStrings = 0;
    Fs.SetReadOnly(*board, true);
    report.clear();
    EnumerateDevices(&report, list);
    const TReport denied = BlockOf(report, DeviceLine(Fs, *board, "0x16C0/0x05DC"));
    ASSERT_GE(denied.size(), 4u);
    EXPECT_EQ(denied[1], "- Unable to fetch manufacturer string: error sending control message: Operation not "
                         "permitted. The board is present but this user may not use it: install the udev rule "
                         "60-quorvex.rules (see the README), then unplug and replug the board.");
    EXPECT_EQ(denied[2], "- Unable to fetch product string");
    EXPECT_EQ(denied[3], "- Unable to fetch serial number string");
}

TEST_F(DeviceListTest, DeviceWithoutConfigurationStaysListed)
{
    VirtualBoard::Config c;
    c.Vid = 0x1234;
    c.HasConfiguration = false;
    c.Firmware = false;
    auto bare = std::make_shared<VirtualBoard>(c);
    Fs.Plug(bare);
    auto board = PlugBoard();
    TReport report;
    TDevices list;
    EnumerateDevices(&report, list);
    EXPECT_EQ(BlockOf(report, DeviceLine(Fs, *bare, "0x1234/0x05DC")),
              (TReport{DeviceLine(Fs, *bare, "0x1234/0x05DC"), "  Couldn't retrieve descriptors"}));
    ASSERT_EQ(list.size(), 2u) << "the walk goes on after it";

    SelProduct = "";
    list.clear();
    EnumerateDevices(nullptr, list);
    ASSERT_EQ(list.size(), 1u) << "an empty product keeps nothing else";
    EXPECT_EQ(list[0].Vid, 0x1234);
}

TEST_F(DeviceListTest, NoBoardLeavesTheIdentityAlone)
{
    Fs.Plug(OtherVendorsGadget());
    SelUsbPortId = 9;
    EXPECT_FALSE(SelectDevice());
    EXPECT_TRUE(Devices.empty());
    EXPECT_EQ(SelectedIndex, -1);
    EXPECT_EQ(SelUsbPortId, 9);
    EXPECT_EQ(SelManufacturer, QUORVEX_BOARD_MANUFACTURER);
}

TEST_F(DeviceListTest, FullMatchWinsOverTheFirstProductMatch)
{
    auto first = PlugBoard(u"VELNOR-I2C", u"A");
    auto second = PlugBoard(u"VELNOR-I2C", u"B");
    SelSerial = "B";
    SelUsbPortId = static_cast<uint8_t>(Fs.DeviceNumber(*second));
    ASSERT_TRUE(SelectDevice());
    EXPECT_EQ(Devices.size(), 2u);
    EXPECT_EQ(Devices.at(static_cast<size_t>(SelectedIndex)).Serial, "B");

    SelSerial = "NONE";  // no serial chosen, no full match: the first in the library's order
    ASSERT_TRUE(SelectDevice());
    EXPECT_EQ(SelectedIndex, 0);
    EXPECT_EQ(SelUsbPortId, Devices[0].UsbPortId);
    EXPECT_EQ(SelSerial, "NONE") << "the saved serial is kept";

    // A chosen serial that no present board carries: the chosen board is
    // away, and no other board stands in for it.
    SelSerial = "C";
    const uint8_t before = SelUsbPortId;
    EXPECT_FALSE(SelectDevice());
    EXPECT_EQ(SelectedIndex, -1);
    EXPECT_EQ(SelUsbPortId, before);
    EXPECT_EQ(ChosenBoard.Presence, TBoardPresence::OtherPresent);
}

TEST_F(DeviceListTest, LongerProductIsListedButNotSelected)
{
    PlugBoard(u"VELNOR-I2C-2");
    EXPECT_FALSE(SelectDevice());
    ASSERT_EQ(Devices.size(), 1u);
    EXPECT_EQ(Devices[0].Product, "VELNOR-I2C-2");
}

TEST_F(DeviceListTest, BoardsOnTwoBusesAreAllSeen)
{
    auto one = PlugBoard(u"VELNOR-I2C", u"A", 1);
    EXPECT_EQ(Fs.AddBus(), 2);
    auto two = PlugBoard(u"VELNOR-I2C", u"B", 2);
    SelSerial = "B";
    ASSERT_TRUE(SelectDevice());
    EXPECT_EQ(Devices.size(), 2u);
    EXPECT_EQ(Devices.at(static_cast<size_t>(SelectedIndex)).Serial, "B");

    SetFrequency(14000000);
    const auto tuned = [](const VirtualBoard& b) { return b.Log.back().Request == 0x30; };
    EXPECT_FALSE(tuned(*one));
    EXPECT_TRUE(tuned(*two)) << "the board on the second bus was tuned";
}

TEST_F(DeviceListTest, SecondKnownVendorIsReadToo)
{
    auto board = MakeBoard();
    VirtualBoard::Config c = board->Settings();
    c.Vid = 0x20A0;
    auto other = std::make_shared<VirtualBoard>(c);
    Fs.Plug(other);
    ASSERT_TRUE(SelectDevice());
    EXPECT_EQ(SelVid, 0x20A0) << "the identity follows the selected board";
}
