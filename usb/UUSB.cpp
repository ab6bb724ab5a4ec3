#include "usb/UUSB.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "usb/ChosenBoard.h"
#include "usb/DeviceList.h"
#include "usb/KeptBoard.h"

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

// usb_init the first time, then a fresh look at the buses.
void RescanBuses()
{
    if (!UsbInitDone) {
        UsbInitDone = true;
        usb_init();
    }
    usb_find_busses();
    usb_find_devices();
    DeniedBoardSeen = false;  // a board this user may not use raises its own warning here
}

// Opens a device with the wanted IDs; the handle when its manufacturer and
// product strings are the wanted ones (or none are wanted), else none. Raises
// the warnings when it cannot be opened or asked.
usb_dev_handle* OpenIfProduct(struct usb_device& dev, std::optional<std::string_view> Manufacturer,
                              std::optional<std::string_view> Product)
{
    usb_dev_handle* handle = usb_open(&dev);
    if (!handle)
        throw UsbError(std::string("Warning: cannot open USB device ") + usb_strerror());
    if (!Manufacturer && !Product)
        return handle;
    const std::string manufacturer =
        QueryString(handle, dev.descriptor.iManufacturer, "Warning: cannot query manufacturer for device: ");
    if (manufacturer == Manufacturer.value_or(std::string_view())) {
        const std::string product =
            QueryString(handle, dev.descriptor.iProduct, "Warning: cannot query product for device: ");
        if (product == Product.value_or(std::string_view()))
            return handle;
    }
    usb_close(handle);
    return nullptr;
}

// The boards of the chosen product met by a walk, kept open until the walk
// has seen them all; what is not taken is closed.
struct TCandidates {
    struct TBoard {
        usb_dev_handle* Handle;
        std::string Bus;
        int DevNum;
    };
    std::vector<TBoard> Boards;
    std::vector<std::string> Serials;

    TCandidates() = default;
    TCandidates(const TCandidates&) = delete;
    TCandidates& operator=(const TCandidates&) = delete;
    ~TCandidates()
    {
        for (const TBoard& b : Boards)
            if (b.Handle)
                usb_close(b.Handle);
    }
    usb_dev_handle* Take(size_t i) { return std::exchange(Boards.at(i).Handle, nullptr); }
};

std::string QuerySerial(usb_dev_handle* handle, const struct usb_device& dev)
{
    if (dev.descriptor.iSerialNumber == 0)
        return {};
    return QueryString(handle, dev.descriptor.iSerialNumber, "Warning: cannot query serial number for device: ");
}

// The chosen board named by its serial: every board of the product is
// looked at, unless the one where the serial was last seen is still there.
bool OpenBySerial(usb_dev_handle*& Handle)
{
    RescanBuses();
    TCandidates found;
    bool sawSerialPlace = false;
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next) {
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
            const bool serialPlace = IsSerialPlace(bus->dirname, dev->devnum);
            sawSerialPlace = sawSerialPlace || serialPlace;
            if (dev->descriptor.idVendor != SelVid || dev->descriptor.idProduct != SelPid)
                continue;
            usb_dev_handle* handle = OpenIfProduct(*dev, SelManufacturer, SelProduct);
            if (!handle)
                continue;
            if (serialPlace && dev->devnum == SelUsbPortId && ChosenBoard.SerialSeen == SelSerial) {
                NoteChosenFound(dev->devnum, false);
                Handle = handle;
                return true;
            }
            found.Boards.push_back({handle, bus->dirname, dev->devnum});
            found.Serials.push_back(QuerySerial(handle, *dev));
        }
    }
    EndWalk(sawSerialPlace);
    const TSerialVerdict verdict = FindBySerial(found.Serials, SelSerial);
    size_t pick = 0;
    if (verdict.Kind == TSerialVerdict::Found) {
        pick = static_cast<size_t>(verdict.Index);
    } else {
        // Shared by several boards: the device number decides, as without a serial.
        const auto same = std::find_if(found.Boards.begin(), found.Boards.end(),
                                       [](const TCandidates::TBoard& b) { return b.DevNum == SelUsbPortId; });
        if (verdict.Kind == TSerialVerdict::Absent || same == found.Boards.end()) {
            NoteChosenMissing(verdict.Kind == TSerialVerdict::Absent && !found.Boards.empty());
            return false;
        }
        pick = static_cast<size_t>(same - found.Boards.begin());
    }
    const TCandidates::TBoard& board = found.Boards[pick];
    NoteChosenFound(board.DevNum, verdict.Kind != TSerialVerdict::Found);
    SelUsbPortId = static_cast<uint8_t>(board.DevNum);
    if (verdict.Kind == TSerialVerdict::Found) {
        ChosenBoard.SerialSeenBus = board.Bus;
        ChosenBoard.SerialSeenDevNum = board.DevNum;
        ChosenBoard.SerialSeen = SelSerial;
    }
    Handle = found.Take(pick);
    return true;
}

}  // namespace

bool OpenDevice(usb_dev_handle*& Handle, int Vid, int Pid, std::optional<std::string_view> Manufacturer,
                std::optional<std::string_view> Product, int UsbPortId)
{
    RescanBuses();
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next) {
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
            if (dev->descriptor.idVendor != Vid || dev->descriptor.idProduct != Pid)
                continue;
            usb_dev_handle* handle = OpenIfProduct(*dev, Manufacturer, Product);
            if (!handle)
                continue;
            if ((Manufacturer || Product) && dev->devnum != UsbPortId) {
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
    if (SerialNamesChosenBoard())
        return OpenBySerial(Handle);
    const bool opened = OpenDevice(Handle, SelVid, SelPid, SelManufacturer, SelProduct, SelUsbPortId);
    if (opened)
        NoteChosenFound(SelUsbPortId, ChosenBoard.Ambiguous);
    else
        NoteChosenMissing(false);
    return opened;
}

bool OpenPersistent(bool Open)
{
    if (!Open) {
        PersistentBoard.Close();
        return true;
    }
    PersistentBoard.Close();  // never lose a handle that is still open
    usb_init();
    return PersistentBoard.Open();
}

namespace {

std::string NotFoundText(bool quoted)
{
    const char* quote = quoted ? "\"" : "";
    char ids[64];
    std::snprintf(ids, sizeof ids, " with vid=$%X and pid=$%X !", static_cast<unsigned>(SelVid),
                  static_cast<unsigned>(SelPid));
    std::string text = "Could not find USB device " + std::string(quote) + SelProduct + quote + ids;
    if (ChosenBoard.Presence == TBoardPresence::OtherPresent)
        text += " " + OtherBoardText();
    if (DeniedBoardSeen)
        text += " A board is present but this user may not use it: install the udev rule 60-quorvex.rules (see "
                "the README), then unplug and replug the board.";
    return text;
}

}  // namespace

DeviceNotFoundError::DeviceNotFoundError(bool quoted) : UsbError(NotFoundText(quoted)) {}
