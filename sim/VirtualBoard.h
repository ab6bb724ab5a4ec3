#pragma once
// Model of a USB device as the kernel sees it: its descriptors and its answers
// to control transfers. With Firmware set it is the synthesizer board (EEPROM,
// Si570, key input, flash); without, it answers only standard requests (a hub,
// another vendor's gadget). No USB library and no Qt here.
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <vector>

struct TransferRecord {
    uint8_t RequestType = 0;
    uint8_t Request = 0;
    uint16_t Value = 0;
    uint16_t Index = 0;
    uint16_t Length = 0;
    unsigned TimeoutMs = 0;
    std::vector<uint8_t> Bytes;  // sent (host to device) or answered (device to host)
    int Result = 0;              // bytes transferred, or -errno
    std::chrono::steady_clock::time_point Time;  // when the board received it
};

class VirtualBoard {
public:
    struct Config {
        uint16_t Vid = 0x16C0;
        uint16_t Pid = 0x05DC;
        std::u16string Manufacturer;
        std::u16string Product = u"VELNOR-I2C";
        std::u16string Serial;              // empty: no serial-number string
        uint8_t DeviceClass = 0xFF;
        bool HasConfiguration = true;       // false: bNumConfigurations is 0
        bool InterruptEndpoint = false;     // one endpoint on the interface (hubs)
        bool Firmware = true;               // answers the synthesizer's vendor requests
        uint8_t Si570Address = 0x55;
        double TrueXtalMHz = 114.2852;      // the crystal as it really is
        double StartupMHz = 56.32;          // factory start-up frequency
        uint16_t FlashableStart = 0x1000;
    };

    static constexpr int EepromSize = 512;
    static constexpr int FlashSize = 8192;

    explicit VirtualBoard(Config config);

    // Standard descriptors: the usbfs device file holds the device descriptor
    // followed by every configuration.
    std::vector<uint8_t> DeviceFileBytes() const;

    // One control transfer. Fills data for device-to-host requests; returns the
    // byte count or a negative errno.
    int Control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                std::span<uint8_t> data, unsigned timeoutMs);

    const Config& Settings() const { return config_; }

    // Board state, open to tests and the demo window.
    std::array<uint8_t, EepromSize> Eeprom{};
    std::array<uint8_t, 6> Registers{};
    std::vector<uint8_t> Flash;
    uint8_t KeyByte = 0x20;          // bit 5 set: key up
    int SpeedGradeCode = 0;          // last value of request 0x24
    int ResetCount = 0;
    int BootWrites = 0;  // flash blocks that reached into the protected boot section
    std::vector<TransferRecord> Log;
    bool Recording = true;  // off for benchmarks: the log allocates
    // Told of every transfer as the board received it, whether recording or not.
    std::function<void(const TransferRecord&)> OnTransfer;

    // Frequency the Si570 produces now, from its registers and the true crystal.
    double OutputMHz() const;
    // The board gets power (plugged in): the Si570 starts at its factory
    // frequency, unless the firmware's remember-last-frequency setting (EEPROM
    // byte 6 holding the Si570's address) brings back the last one.
    void PowerUp();
    std::array<uint8_t, 6> FactoryRegisters() const;

    // The time a transfer takes: a fixed part, and one more frame for every
    // further 8-byte packet of data (a low-speed device's largest). Zero by
    // default, so tests do not wait.
    struct Timing {
        std::chrono::microseconds PerTransfer{0};
        std::chrono::microseconds PerExtraPacket{0};
    };
    // Roughly what a real low-speed board takes: 2 ms for a one-byte request.
    static constexpr Timing LowSpeedTiming{std::chrono::milliseconds(2), std::chrono::milliseconds(1)};
    Timing Latency;
    std::chrono::microseconds TransferTime(size_t dataBytes) const;

    // Faults: every transfer with this request code fails with the errno
    // (0 removes it); device-to-host vendor answers are cut short by ShortBy
    // bytes; string descriptor i stalls when bit i of FailStrings is set.
    std::map<uint8_t, int> FailRequest;
    int FailAll = 0;
    // Every vendor transfer after the next FailAfter ones fails with FailAfterErrno (-1: none).
    int FailAfter = -1;
    int FailAfterErrno = EPIPE;
    int ShortBy = 0;
    unsigned FailStrings = 0;

    // Called when the firmware restarts the microcontroller (request 0x0F).
    std::function<void()> OnReset;

private:
    int Answer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
               std::span<uint8_t> data);
    int StandardRequest(uint16_t value, uint16_t index, std::span<uint8_t> data) const;
    int VendorIn(uint8_t request, uint16_t value, uint16_t index, std::span<uint8_t> data);
    int VendorOut(uint8_t request, uint16_t value, uint16_t index, std::span<const uint8_t> data);

    Config config_;
};
