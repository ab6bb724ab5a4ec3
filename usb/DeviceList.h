#pragma once
// The USB device list: every device on every bus, an optional text report of
// their descriptors, and the rule that picks the board all operations open.
#include <cstdint>
#include <string>
#include <vector>

struct TDevice {
    int32_t Vid = 0;
    int32_t Pid = 0;
    std::string Manufacturer;
    std::string Product;
    std::string Serial;
    uint8_t UsbPortId = 0;
};
using TDevices = std::vector<TDevice>;
using TReport = std::vector<std::string>;

inline std::string SelSerial = "NONE";
inline int32_t SelectedIndex = 0;
inline TDevices Devices;
inline bool DeviceOnline = false;

struct usb_config_descriptor;
struct usb_interface;
struct usb_interface_descriptor;
struct usb_endpoint_descriptor;

// Report may be null: then nothing is reported.
void EnumerateDevices(TReport* Report, TDevices& Devices);
void ReportConfiguration(TReport* Report, const usb_config_descriptor& config);
void ReportInterface(TReport* Report, const usb_interface& interface);
void ReportAltSetting(TReport* Report, const usb_interface_descriptor& alt);
void ReportEndpoint(TReport* Report, const usb_endpoint_descriptor& endpoint);

// The chosen board in a device list (ChosenBoard.h): the one its serial
// names, else the last that matches product, device number and serial in
// full, else the first of the product; -1 when none is (and then nothing
// else stands in for a board its serial names). Notes what it found.
int32_t ChooseFromList(const TDevices& devices);
// The operator's choice: the identity points at the board, and SelSerial is
// the caller's to set. Another board than before starts unknown.
void SelectBoard(const TDevice& board);

bool SelectDevice();
