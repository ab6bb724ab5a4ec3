#include "usb/UUSB.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

bool IsKnownVendorId(int vid)
{
    return vid == 0x20A0 || vid == 0x16C0;
}

std::string LibraryErrorText(int result)
{
    std::string text = usb_strerror();
    if (result == -EPERM || result == -EACCES)
        text += ". The board is present but this user may not use it: install the udev rule 60-quorvex.rules "
                "(see the README), then unplug and replug the board.";
    return text;
}

int GetStringDescriptorAscii(usb_dev_handle* Handle, int Index, int LangId, char* Buffer, int BufSize)
{
    unsigned char reply[256];
    const int got = usb_control_msg(Handle, USB_ENDPOINT_IN, USB_REQ_GET_DESCRIPTOR, (USB_DT_STRING << 8) + Index,
                                    LangId, reinterpret_cast<char*>(reply), sizeof reply, StringTimeoutMs);
    if (got < 0)
        return got;
    if (got < 2 || reply[1] != USB_DT_STRING) {
        if (BufSize >= 0)
            Buffer[0] = 0;
        return 0;
    }
    const int length = got < reply[0] ? got : reply[0];
    const int units = length / 2 - 1;
    int stored = 0;
    for (int i = 1; i <= units && i <= BufSize; ++i) {
        const unsigned char low = reply[2 * i];
        const unsigned char high = reply[2 * i + 1];
        Buffer[stored++] = high ? '?' : static_cast<char>(low);
    }
    Buffer[stored] = 0;
    return stored;
}

namespace {

// Reads one identity string; a failing read raises the warning with the
// library's text.
std::string QueryString(usb_dev_handle* handle, int index, const char* warning)
{
    char text[257];
    const int got = GetStringDescriptorAscii(handle, index, LangIdEnglish, text, 256);
    if (got < 0) {
        const std::string message = warning + LibraryErrorText(got);
        usb_close(handle);
        throw UsbError(message);
    }
    return text;
}

}  // namespace

bool OpenDevice(usb_dev_handle*& Handle, int Vid, int Pid, std::optional<std::string_view> Manufacturer,
                std::optional<std::string_view> Product, int UsbPortId)
{
    if (!UsbInitDone) {
        UsbInitDone = true;
        usb_init();
    }
    usb_find_busses();
    usb_find_devices();
    DeniedBoardSeen = false;  // a board this user may not use raises its own warning here
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next) {
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
            if (dev->descriptor.idVendor != Vid || dev->descriptor.idProduct != Pid)
                continue;
            usb_dev_handle* handle = usb_open(dev);
            if (!handle)
                throw UsbError(std::string("Warning: cannot open USB device ") + usb_strerror());
            if (!Manufacturer && !Product) {
                Handle = handle;
                return true;
            }
            const std::string manufacturer = QueryString(handle, dev->descriptor.iManufacturer,
                                                         "Warning: cannot query manufacturer for device: ");
            if (manufacturer != Manufacturer.value_or(std::string_view())) {
                usb_close(handle);
                continue;
            }
            const std::string product =
                QueryString(handle, dev->descriptor.iProduct, "Warning: cannot query product for device: ");
            if (product != Product.value_or(std::string_view()) || dev->devnum != UsbPortId) {
                usb_close(handle);
                continue;
            }
            Handle = handle;
            return true;
        }
    }
    return false;
}

bool OpenSelectedDevice(usb_dev_handle*& Handle)
{
    return OpenDevice(Handle, SelVid, SelPid, SelManufacturer, SelProduct, SelUsbPortId);
}

bool OpenPersistent(bool Open)
{
    if (!Open) {
        if (PersistentHandle)
            usb_close(PersistentHandle);
        PersistentHandle = nullptr;
        return true;
    }
    OpenPersistent(false);  // never lose a handle that is still open
    usb_init();
    return OpenSelectedDevice(PersistentHandle);
}

namespace {

std::string NotFoundText(bool quoted)
{
    const char* quote = quoted ? "\"" : "";
    char ids[64];
    std::snprintf(ids, sizeof ids, " with vid=$%X and pid=$%X !", static_cast<unsigned>(SelVid),
                  static_cast<unsigned>(SelPid));
    std::string text = "Could not find USB device " + std::string(quote) + SelProduct + quote + ids;
    if (DeniedBoardSeen)
        text += " A board is present but this user may not use it: install the udev rule 60-quorvex.rules (see "
                "the README), then unplug and replug the board.";
    return text;
}

}  // namespace

DeviceNotFoundError::DeviceNotFoundError(bool quoted) : UsbError(NotFoundText(quoted)) {}
