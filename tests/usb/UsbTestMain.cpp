#include <gtest/gtest.h>

#include "sim/VirtualUsbfs.h"

int main(int argc, char** argv)
{
    VirtualUsbfs::Instance();  // before the first usb_init: the library keeps the path
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
