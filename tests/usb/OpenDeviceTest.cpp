#include <cerrno>

#include "UsbFixture.h"

namespace {

// Opens with the board identity and closes again; true when found.
bool OpenAndClose()
{
    usb_dev_handle* h = nullptr;
    if (!OpenSelectedDevice(h))
        return false;
    usb_close(h);
    return true;
}

std::string RaisedBy(bool (*operation)())
{
    try {
        operation();
    } catch (const UsbError& e) {
        return e.what();
    }
    return "(nothing raised)";
}

// The device records of the library's own walk, in its order.
std::vector<int> LibraryOrderOfDeviceNumbers()
{
    usb_find_busses();
    usb_find_devices();
    std::vector<int> order;
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* d = bus->devices; d; d = d->next)
            order.push_back(d->devnum);
    return order;
}

}  // namespace

using OpenDeviceTest = UsbTest;

TEST_F(OpenDeviceTest, MatchesIdsStringsAndDeviceNumber)
{
    auto board = PlugBoard();
    EXPECT_TRUE(OpenAndClose());

    SelUsbPortId = static_cast<uint8_t>(SelUsbPortId + 1);
    EXPECT_FALSE(OpenAndClose()) << "another device number";
    SelUsbPortId = static_cast<uint8_t>(Fs.DeviceNumber(*board));
    SelProduct = "VELNOR";
    EXPECT_FALSE(OpenAndClose()) << "the product must match whole";
    SelProduct = "VELNOR-I2C";
    SelManufacturer = "someone else";
    EXPECT_FALSE(OpenAndClose());
    SelManufacturer = QUORVEX_BOARD_MANUFACTURER;
    SelPid = 0x05DD;
    EXPECT_FALSE(OpenAndClose());
}

TEST_F(OpenDeviceTest, WithoutStringsTakesTheFirstDeviceWithTheIds)
{
    auto board = PlugBoard();
    usb_dev_handle* h = nullptr;
    ASSERT_TRUE(OpenDevice(h, 0x16C0, 0x05DC, std::nullopt, std::nullopt, 99));
    usb_close(h);
    EXPECT_TRUE(board->Log.empty()) << "no string was read";
}

TEST_F(OpenDeviceTest, AbsentBoardLeavesTheHandleAlone)
{
    usb_dev_handle* h = reinterpret_cast<usb_dev_handle*>(0x1);
    EXPECT_FALSE(OpenSelectedDevice(h));
    EXPECT_EQ(h, reinterpret_cast<usb_dev_handle*>(0x1));
}

TEST_F(OpenDeviceTest, NotFoundTextNamesProductAndIdsInUpperCaseHex)
{
    EXPECT_STREQ(DeviceNotFoundError().what(),
                 "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !");
    EXPECT_STREQ(DeviceNotFoundError(false).what(), "Could not find USB device VELNOR-I2C with vid=$16C0 and pid=$5DC !");
    SelProduct = "Other";
    SelVid = 0x20A0;
    SelPid = 0xABC;
    EXPECT_STREQ(DeviceNotFoundError().what(), "Could not find USB device \"Other\" with vid=$20A0 and pid=$ABC !");
}

// What libusb 0.1 does with a device file it cannot open: a file that fails
// every open is not listed at all, so the board is simply not found; a file
// that fails only when usb_open opens it still yields a handle (the library
// records "failed to open ..." but returns one), and the failure surfaces at
// the first transfer. The warning the operator sees follows that.
TEST_F(OpenDeviceTest, DeviceFileThatCannotBeOpened)
{
    auto board = PlugBoard();
    Fs.FailOpen(*board, EBUSY);
    EXPECT_FALSE(OpenAndClose());

    Fs.FailOpen(*board, EBUSY, 1);  // the bus scan still reads its descriptors
    EXPECT_EQ(RaisedBy(OpenAndClose),
              "Warning: cannot query manufacturer for device: error sending control message: Bad file descriptor");

    Fs.FailOpen(*board, EBUSY, 1);
    usb_find_busses();
    usb_find_devices();
    usb_dev_handle* h = nullptr;
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* d = bus->devices; d; d = d->next)
            if (d->descriptor.idVendor == 0x16C0)
                h = usb_open(d);
    ASSERT_NE(h, nullptr) << "the library hands out a handle even though the open failed";
    EXPECT_EQ(std::string(usb_strerror()).rfind("failed to open ", 0), 0u) << usb_strerror();
    usb_close(h);
}

constexpr const char* PermissionHint =
    ". The board is present but this user may not use it: install the udev rule 60-quorvex.rules (see the README), "
    "then unplug and replug the board.";

// Without access rights the file opens read-only and every ioctl fails with
// EPERM: the library's text stays and the cause and fix follow it.
TEST_F(OpenDeviceTest, ReadOnlyDeviceGivesTheLibrarysPermissionTextAndTheFix)
{
    auto board = MakeBoard();
    Fs.Plug(board);
    Fs.SetReadOnly(*board, true);
    EXPECT_EQ(RaisedBy(OpenAndClose),
              std::string("Warning: cannot query manufacturer for device: error sending control message: "
                          "Operation not permitted") +
                  PermissionHint);
    EXPECT_TRUE(board->Log.empty());
}

// Only a refused permission names the udev rule; other failures keep the bare text.
TEST_F(OpenDeviceTest, PermissionHintFollowsOnlyPermissionFailures)
{
    const struct {
        int Errno;
        const char* LibraryText;
        bool Hint;
    } cases[] = {
        {EPERM, "Operation not permitted", true},
        {EACCES, "Permission denied", true},
        {EPIPE, "Broken pipe", false},
        {ETIMEDOUT, "Connection timed out", false},
    };
    for (const auto& c : cases) {
        Fs.Clear();
        ResetDeviceLinkValues();
        auto board = PlugBoard();
        board->FailRequest[0x30] = c.Errno;
        const std::string expected =
            std::string("Writing the Si570 registers failed at I2C address 0x55: error sending control message: ") +
            c.LibraryText + (c.Hint ? PermissionHint : "");
        EXPECT_EQ(RaisedBy([] { return SetFrequency(14000000); }), expected) << c.LibraryText;
    }
}

TEST_F(OpenDeviceTest, ProductQueryFailureHasItsOwnWarning)
{
    auto board = PlugBoard();
    board->FailStrings = 1u << 2;
    EXPECT_EQ(RaisedBy(OpenAndClose),
              "Warning: cannot query product for device: error sending control message: Broken pipe");
}

// An unreadable device with the shared IDs ends the walk when it comes before
// the wanted board in the library's order, and is passed over after it.
TEST_F(OpenDeviceTest, UnqueryableDeviceBeforeTheBoardEndsTheWalk)
{
    auto board = PlugBoard();
    auto stranger = MakeBoard(u"Another gadget");
    const int strangerNumber = Fs.Plug(stranger);
    stranger->FailStrings = 1u << 1;
    const std::vector<int> order = LibraryOrderOfDeviceNumbers();
    const auto pos = [&](int n) { return std::find(order.begin(), order.end(), n) - order.begin(); };
    if (pos(strangerNumber) < pos(SelUsbPortId))
        EXPECT_EQ(RaisedBy(OpenAndClose).rfind("Warning: cannot query manufacturer", 0), 0u);
    else
        EXPECT_TRUE(OpenAndClose());
}

TEST_F(OpenDeviceTest, StringsKeepLowBytesAndMarkWideCharacters)
{
    auto board = PlugBoard(u"VELNOR-I2C \u0141\u00E9");
    usb_dev_handle* h = nullptr;
    ASSERT_TRUE(OpenDevice(h, 0x16C0, 0x05DC, std::nullopt, std::nullopt, 0));
    char text[257];
    EXPECT_EQ(GetStringDescriptorAscii(h, 2, LangIdEnglish, text, 256), 13);
    EXPECT_EQ(std::string(text), "VELNOR-I2C ?\xE9");
    EXPECT_EQ(GetStringDescriptorAscii(h, 2, LangIdEnglish, text, 6), 6) << "BufSize caps the count";
    EXPECT_EQ(std::string(text), "VELNOR");
    EXPECT_LT(GetStringDescriptorAscii(h, 7, LangIdEnglish, text, 256), 0) << "the library's error passes through";
    usb_close(h);

    const TransferRecord& request = board->Log.front();
    EXPECT_EQ(request.RequestType, 0x80);
    EXPECT_EQ(request.Request, 6);
    EXPECT_EQ(request.Value, 0x0302);
    EXPECT_EQ(request.Index, 0x0409);
    EXPECT_EQ(request.Length, 256);
    EXPECT_EQ(request.TimeoutMs, 1000u);
}

TEST_F(OpenDeviceTest, PersistentHandleOpensAndClosesOnce)
{
    EXPECT_TRUE(OpenPersistent(false)) << "closing with nothing open";
    EXPECT_FALSE(OpenPersistent(true));
    EXPECT_EQ(PersistentHandle, nullptr);
    PlugBoard();
    EXPECT_TRUE(OpenPersistent(true));
    EXPECT_NE(PersistentHandle, nullptr);
    EXPECT_EQ(Fs.OpenFiles(), 1);
    EXPECT_TRUE(OpenPersistent(true)) << "opening again does not leak the first handle";
    EXPECT_EQ(Fs.OpenFiles(), 1);
    EXPECT_TRUE(OpenPersistent(false));
    EXPECT_EQ(Fs.OpenFiles(), 0);
}

TEST_F(OpenDeviceTest, KnownVendorIds)
{
    EXPECT_TRUE(IsKnownVendorId(0x16C0));
    EXPECT_TRUE(IsKnownVendorId(0x20A0));
    EXPECT_FALSE(IsKnownVendorId(0x1D6B));
    EXPECT_FALSE(IsKnownVendorId(0));
}
