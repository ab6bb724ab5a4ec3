#include "UsbFixture.h"

#include <dlfcn.h>

namespace {
LibusbCalls g_calls;

template <typename Fn>
Fn Real(const char* name)
{
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}
}  // namespace

LibusbCalls& Calls()
{
    return g_calls;
}

void ResetLibusbCalls()
{
    g_calls = {};
}

// Counting stand-ins for the library entry points our code calls; each goes on
// to the library's own function.
extern "C" {
void usb_init(void)
{
    ++g_calls.Init;
    static const auto real = Real<void (*)()>("usb_init");
    real();
}
int usb_find_busses(void)
{
    ++g_calls.FindBusses;
    static const auto real = Real<int (*)()>("usb_find_busses");
    return real();
}
int usb_find_devices(void)
{
    ++g_calls.FindDevices;
    static const auto real = Real<int (*)()>("usb_find_devices");
    return real();
}
usb_dev_handle* usb_open(struct usb_device* dev)
{
    ++g_calls.Open;
    static const auto real = Real<usb_dev_handle* (*)(struct usb_device*)>("usb_open");
    return real(dev);
}
int usb_close(usb_dev_handle* dev)
{
    ++g_calls.Close;
    static const auto real = Real<int (*)(usb_dev_handle*)>("usb_close");
    return real(dev);
}
}

void ResetDeviceLinkValues()
{
    OpenPersistent(false);
    SelVid = 0x16C0;
    SelPid = 0x05DC;
    SelManufacturer = QUORVEX_BOARD_MANUFACTURER;
    SelProduct = "VELNOR-I2C";
    SelUsbPortId = 1;
    SelSerial = "NONE";
    SelectedIndex = 0;
    Devices.clear();
    DeviceOnline = false;
    I2CAddress = 0x55;
    FxtalMHz = NominalXtalMHz;
    StartupFreqMHz = DefaultStartupMHz;
    SpeedGrade = 0;
    EepromImage.fill(0);
    FskBaseFrequency = 0;
    FskShiftedFrequency = 0;
    FskLastKeyState = -1;
    ForgetChosenBoard();
    WantedFrequencyHz.reset();
}

std::shared_ptr<VirtualBoard> MakeBoard(std::u16string product, std::u16string serial)
{
    VirtualBoard::Config c;
    c.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
    c.Product = std::move(product);
    c.Serial = std::move(serial);
    return std::make_shared<VirtualBoard>(c);
}

void UsbTest::SetUp()
{
    Fs.Clear();
    ResetDeviceLinkValues();
    ResetLibusbCalls();
}

void UsbTest::TearDown()
{
    OpenPersistent(false);
    EXPECT_EQ(Fs.OpenFiles(), 0) << "a device file was left open";
}

std::shared_ptr<VirtualBoard> UsbTest::PlugBoard(std::u16string product, std::u16string serial, int bus)
{
    auto board = MakeBoard(std::move(product), std::move(serial));
    SelUsbPortId = static_cast<uint8_t>(Fs.Plug(board, bus));
    return board;
}
