#pragma once
// Shared set-up for tests that reach the virtual board through the real
// libusb: a clean bus, the device-link values at their defaults, and the
// counts of the library calls our code made.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim/VirtualUsbfs.h"
#include "usb/DeviceList.h"
#include "usb/SynthCommands.h"

// Calls our code made into libusb since the last ResetLibusbCalls().
struct LibusbCalls {
    int Init = 0;
    int FindBusses = 0;
    int FindDevices = 0;
    int Open = 0;
    int Close = 0;
};
LibusbCalls& Calls();
void ResetLibusbCalls();

void ResetDeviceLinkValues();

std::shared_ptr<VirtualBoard> MakeBoard(std::u16string product = u"VELNOR-I2C", std::u16string serial = u"");

class UsbTest : public ::testing::Test {
protected:
    VirtualUsbfs& Fs = VirtualUsbfs::Instance();

    void SetUp() override;
    void TearDown() override;

    // Plugs a synthesizer board and points the identity at it.
    std::shared_ptr<VirtualBoard> PlugBoard(std::u16string product = u"VELNOR-I2C", std::u16string serial = u"",
                                            int bus = 1);
};
