#include "usb/DeviceList.h"

#include <usb.h>

#include <cerrno>
#include <cstdio>

#include "usb/ChosenBoard.h"
#include "usb/UUSB.h"

namespace {

void Line(TReport* report, const char* label, long value)
{
    report->push_back(label + std::to_string(value));
}

void HexLine(TReport* report, const char* label, unsigned value)
{
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02Xh", value & 0xFFu);
    report->push_back(label + std::string(hex));
}

struct StringField {
    int index;
    std::string TDevice::*field;
    const char* label;
    const char* failure;
};

// Reads the identity strings of one opened device into its entry.
void ReadStrings(usb_dev_handle* handle, const struct usb_device& dev, TDevice& entry, TReport* report)
{
    const StringField fields[] = {
        {dev.descriptor.iManufacturer, &TDevice::Manufacturer, "- Manufacturer : ",
         "- Unable to fetch manufacturer string"},
        {dev.descriptor.iProduct, &TDevice::Product, "- Product      : ", "- Unable to fetch product string"},
        {dev.descriptor.iSerialNumber, &TDevice::Serial, "- Serial Number: ",
         "- Unable to fetch serial number string"},
    };
    bool permissionSaid = false;
    for (const StringField& f : fields) {
        if (f.index == 0 || !IsKnownVendorId(dev.descriptor.idVendor))
            continue;
        char text[256] = {};
        const int result = usb_get_string_simple(handle, f.index, text, sizeof text);
        if (result > 0) {
            entry.*f.field = text;
            if (report)
                report->push_back(f.label + entry.*f.field);
        } else {
            (entry.*f.field).clear();
            const bool denied = result == -EPERM || result == -EACCES;
            if (denied && !DeniedBoardSeen)
                DeniedBoardReason = LibraryErrorText(result);
            DeniedBoardSeen = DeniedBoardSeen || denied;
            if (!report)
                continue;
            // A board this user may not use would otherwise only look absent; said once.
            if (!permissionSaid && denied) {
                report->push_back(std::string(f.failure) + ": " + LibraryErrorText(result));
                permissionSaid = true;
            } else {
                report->push_back(f.failure);
            }
        }
    }
}

}  // namespace

void ReportEndpoint(TReport* Report, const usb_endpoint_descriptor& endpoint)
{
    if (!Report)
        return;
    HexLine(Report, "      bEndpointAddress: ", endpoint.bEndpointAddress);
    HexLine(Report, "      bmAttributes:     ", endpoint.bmAttributes);
    Line(Report, "      wMaxPacketSize:   ", endpoint.wMaxPacketSize);
    Line(Report, "      bInterval:        ", endpoint.bInterval);
    Line(Report, "      bRefresh:         ", endpoint.bRefresh);
    Line(Report, "      bSynchAddress:    ", endpoint.bSynchAddress);
}

void ReportAltSetting(TReport* Report, const usb_interface_descriptor& alt)
{
    if (!Report)
        return;
    Line(Report, "    bInterfaceNumber:   ", alt.bInterfaceNumber);
    Line(Report, "    bAlternateSetting:  ", alt.bAlternateSetting);
    Line(Report, "    bNumEndpoints:      ", alt.bNumEndpoints);
    Line(Report, "    bInterfaceClass:    ", alt.bInterfaceClass);
    Line(Report, "    bInterfaceSubClass: ", alt.bInterfaceSubClass);
    Line(Report, "    bInterfaceProtocol: ", alt.bInterfaceProtocol);
    Line(Report, "    iInterface:         ", alt.iInterface);
    if (!alt.endpoint)
        return;
    for (int e = 0; e < alt.bNumEndpoints; ++e)
        ReportEndpoint(Report, alt.endpoint[e]);
}

void ReportInterface(TReport* Report, const usb_interface& interface)
{
    if (!Report || !interface.altsetting)
        return;
    for (int a = 0; a < interface.num_altsetting; ++a)
        ReportAltSetting(Report, interface.altsetting[a]);
}

void ReportConfiguration(TReport* Report, const usb_config_descriptor& config)
{
    if (!Report)
        return;
    Line(Report, "  wTotalLength:         ", config.wTotalLength);
    Line(Report, "  bNumInterfaces:       ", config.bNumInterfaces);
    Line(Report, "  bConfigurationValue:  ", config.bConfigurationValue);
    Line(Report, "  iConfiguration:       ", config.iConfiguration);
    HexLine(Report, "  bmAttributes:         ", config.bmAttributes);
    Line(Report, "  MaxPower:             ", config.MaxPower);
    if (!config.interface)
        return;
    for (int i = 0; i < config.bNumInterfaces; ++i)
        ReportInterface(Report, config.interface[i]);
}

void EnumerateDevices(TReport* Report, TDevices& Devices)
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    DeniedBoardSeen = false;
    bool sawSerialPlace = false;
    if (Report)
        Report->push_back("bus/device  idVendor/idProduct");
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next) {
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
            sawSerialPlace = sawSerialPlace || IsSerialPlace(bus->dirname, dev->devnum);
            TDevice entry;
            if (Report) {
                char line[64];
                std::snprintf(line, sizeof line, "     0x%04X/0x%04X", dev->descriptor.idVendor,
                              dev->descriptor.idProduct);
                Report->push_back(std::string(bus->dirname) + "/" + dev->filename + line);
            }
            entry.Vid = dev->descriptor.idVendor;
            entry.Pid = dev->descriptor.idProduct;
            if (usb_dev_handle* handle = usb_open(dev)) {
                entry.UsbPortId = dev->devnum;
                ReadStrings(handle, *dev, entry, Report);
                usb_close(handle);
            }
            if (!dev->config) {
                if (Report)  // built in place: g++ 12 misreads the copy of a temporary here
                    Report->emplace_back("  Couldn't retrieve descriptors");
                Devices.push_back(std::move(entry));
                continue;
            }
            for (int c = 0; c < dev->descriptor.bNumConfigurations; ++c)
                ReportConfiguration(Report, dev->config[c]);
            if (!SelProduct.empty() && entry.Product.starts_with(SelProduct))
                Devices.push_back(std::move(entry));
        }
    }
    EndWalk(sawSerialPlace);
}

namespace {

// The board identity that every operation opens, at this board. SelSerial stays.
void PointIdentityAt(const TDevice& board)
{
    SelVid = board.Vid;
    SelPid = board.Pid;
    SelManufacturer = board.Manufacturer;
    SelProduct = board.Product;
    SelUsbPortId = board.UsbPortId;
}

}  // namespace

int32_t ChooseFromList(const TDevices& devices)
{
    std::vector<size_t> boards;
    std::vector<std::string> serials;
    for (size_t i = 0; i < devices.size(); ++i) {
        if (devices[i].Product == SelProduct) {
            boards.push_back(i);
            serials.push_back(devices[i].Serial);
        }
    }
    const TSerialVerdict verdict = FindBySerial(serials, SelSerial);
    if (verdict.Kind == TSerialVerdict::Found) {
        const size_t index = boards[static_cast<size_t>(verdict.Index)];
        NoteChosenFound(devices[index].UsbPortId, false);
        return static_cast<int32_t>(index);
    }
    if (verdict.Kind == TSerialVerdict::Absent || boards.empty()) {
        NoteChosenMissing(!boards.empty());
        return -1;
    }
    // The last board that matches in full, else the first of the product.
    size_t index = boards.front();
    for (const size_t i : boards)
        if (devices[i].UsbPortId == SelUsbPortId && devices[i].Serial == SelSerial)
            index = i;
    NoteChosenFound(devices[index].UsbPortId, boards.size() > 1 || ChosenBoard.SerialShared);
    return static_cast<int32_t>(index);
}

void SelectBoard(const TDevice& board)
{
    const bool same = board.Product == SelProduct &&
                      (SerialNamesABoard(board.Serial) ? board.Serial == SelSerial
                                                       : board.UsbPortId == SelUsbPortId && board.Serial == SelSerial);
    if (!same)
        ForgetChosenBoard();
    PointIdentityAt(board);
}

bool SelectDevice()
{
    TDevices fresh;
    EnumerateDevices(nullptr, fresh);
    Devices = std::move(fresh);
    SelectedIndex = ChooseFromList(Devices);
    if (SelectedIndex < 0)
        return false;
    PointIdentityAt(Devices[static_cast<size_t>(SelectedIndex)]);
    return true;
}
