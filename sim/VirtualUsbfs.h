#pragma once
// A usbfs device tree in a temporary directory, found by the real libusb 0.1
// through USB_DEVFS_PATH. The library reads the descriptor files as they are;
// its ioctls on them are answered here (see UsbfsHooks.cpp) and its control
// transfers handed to the VirtualBoard behind each file.
//
// Instance() must run before anything calls usb_init: the library takes the
// path once. One tree per process, used from one thread.
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sim/VirtualBoard.h"

class VirtualUsbfs {
public:
    static VirtualUsbfs& Instance();

    const std::string& Root() const { return root_; }

    // Adds the next bus, with its root hub as device 001; returns its number.
    int AddBus();
    int BusCount() const { return buses_; }

    // Plugs the device into a bus; returns the device number it got. The
    // numbers run on per bus, as the kernel gives them, so a replugged board
    // comes back under a new number. The board powers up as it is plugged in.
    int Plug(const std::shared_ptr<VirtualBoard>& board, int bus = 1);
    // The device leaves the bus: its file goes, handles still open on it fail
    // with ENODEV.
    void Unplug(const VirtualBoard& board);
    bool IsPlugged(const VirtualBoard& board) const;
    int DeviceNumber(const VirtualBoard& board) const;
    int BusOf(const VirtualBoard& board) const;

    // Back to one bus with its root hub, no devices, no faults.
    void Clear();

    // File faults. FailOpen: every open of the device file after the first
    // succeedFirst ones fails with err. ReadOnly: the file opens only for
    // reading and every ioctl on it fails with EPERM, as for a user without
    // access to the device.
    void FailOpen(const VirtualBoard& board, int err, int succeedFirst = 0);
    void SetReadOnly(const VirtualBoard& board, bool readOnly);
    // The device leaves the bus after this many more vendor transfers, as when
    // the cable is pulled in the middle of an operation.
    void UnplugAfter(const VirtualBoard& board, int vendorTransfers);

    // A board that resets stays off the bus for this many scans of its bus
    // directory, then comes back with a new device number.
    int ResetAbsentScans = 2;

    // Device files open right now (handles the program did not close).
    int OpenFiles() const;

    // One plugging of a device; it stays behind (unplugged) when the device
    // leaves while handles are open on it, so they keep failing like on a
    // dead device, and goes with the last of them.
    struct Node {
        std::shared_ptr<VirtualBoard> Board;
        int Bus = 0;
        int DevNum = 0;
        std::string Path;
        bool Plugged = true;
        int OpenErr = 0;
        int SucceedFirst = 0;
        int Opens = 0;
        bool ReadOnly = false;
        int TransfersBeforeUnplug = -1;  // -1: stays
    };
    struct OpenFile {
        Node* File = nullptr;
        bool ReadOnly = false;
    };

    // Used by the system-call hooks.
    Node* NodeOfPath(const char* path);
    void BusScanned(const char* path);
    void Opened(int fd, Node* node, bool readOnly);
    void Closed(int fd);
    const OpenFile* FileOf(int fd) const;
    // Counts a control transfer towards UnplugAfter; false when the device
    // has just left the bus instead.
    bool StillPluggedFor(Node& node, uint8_t requestType);

private:
    VirtualUsbfs();
    Node* Find(const VirtualBoard& board) const;
    // An unplugged node that no open file refers to is gone for good.
    void ForgetIfUnused(Node* node);
    std::string BusDir(int bus) const;
    int NextDeviceNumber(int bus);
    int PlugNode(const std::shared_ptr<VirtualBoard>& board, int bus, bool hub);

    std::string root_;
    int buses_ = 0;
    std::vector<int> lastNumber_;
    std::vector<std::unique_ptr<Node>> nodes_;
    struct PendingReplug {
        std::shared_ptr<VirtualBoard> Board;
        int Bus;
        int ScansLeft;
    };
    std::vector<PendingReplug> pending_;
    std::unordered_map<int, OpenFile> files_;
    std::unordered_map<std::string, Node*> plugged_;  // by path
};
