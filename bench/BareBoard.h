#pragma once
// The least a board operation must do, written straight against libusb: find
// the selected board on the bus, open it, check its strings, run the
// transfers, close it.
#include <usb.h>

#include <string>

#include "usb/UUSB.h"

inline bool BareStringEquals(usb_dev_handle* h, int index, const std::string& expected)
{
    char buf[256];
    const int got = usb_control_msg(h, 0x80, 6, 0x0300 + index, 0x0409, buf, sizeof buf, 1000);
    if (got < 2)
        return false;
    std::string text;
    for (int i = 2; i + 1 < got; i += 2)
        text += buf[i];
    return text == expected;
}

template <typename Transfers>
void BareWithSelectedBoard(Transfers&& transfers)
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* d = bus->devices; d; d = d->next) {
            if (d->descriptor.idVendor != SelVid || d->descriptor.idProduct != SelPid)
                continue;
            usb_dev_handle* h = usb_open(d);
            if (BareStringEquals(h, d->descriptor.iManufacturer, SelManufacturer) &&
                BareStringEquals(h, d->descriptor.iProduct, SelProduct) && d->devnum == SelUsbPortId)
                transfers(h);
            usb_close(h);
            return;
        }
}
