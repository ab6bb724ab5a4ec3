#include "ControlHook.h"

#include <usb.h>

#include <dlfcn.h>

namespace {
int g_vendorTransfers = 0;
}

void ResetVendorTransferCount()
{
    g_vendorTransfers = 0;
}

// Stands in for the library's entry point and goes on to it.
extern "C" int usb_control_msg(usb_dev_handle* dev, int requesttype, int request, int value, int index,
                               char* bytes, int size, int timeout)
{
    if ((requesttype & (0x03 << 5)) == USB_TYPE_VENDOR && VendorTransferHook) {
        TVendorTransfer t{g_vendorTransfers++, requesttype, request, value, index};
        VendorTransferHook(t);
        value = t.Value;
        index = t.Index;
    }
    using Fn = int (*)(usb_dev_handle*, int, int, int, int, char*, int, int);
    static const auto real = reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, "usb_control_msg"));
    return real(dev, requesttype, request, value, index, bytes, size, timeout);
}
