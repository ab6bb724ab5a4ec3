#include "sim/VirtualBoard.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <thread>

namespace {

constexpr uint8_t kTypeStandardIn = 0x80;
constexpr uint8_t kTypeVendorIn = 0xC0;
constexpr uint8_t kTypeVendorOut = 0x40;
constexpr int kFlashBlock = 64;

// The Si570's high-speed divider codes, as the chip decodes them.
int HsDivider(int code)
{
    static constexpr std::array<int, 8> table{4, 5, 6, 7, 0, 9, 0, 11};
    return table[static_cast<size_t>(code & 7)];
}

void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

std::vector<uint8_t> StringDescriptor(const std::u16string& text)
{
    std::vector<uint8_t> d{static_cast<uint8_t>(2 + 2 * text.size()), 3};
    for (char16_t c : text)
        Put16(d, static_cast<uint16_t>(c));
    return d;
}

int CopyAnswer(std::span<uint8_t> data, std::span<const uint8_t> answer)
{
    const size_t n = std::min(data.size(), answer.size());
    std::copy_n(answer.begin(), n, data.begin());
    return static_cast<int>(n);
}

}  // namespace

VirtualBoard::VirtualBoard(Config config)
    : Flash(FlashSize, 0xFF), config_(std::move(config))
{
    Eeprom.fill(0xFF);
    Registers = FactoryRegisters();
}

std::vector<uint8_t> VirtualBoard::DeviceFileBytes() const
{
    const bool hasSerial = !config_.Serial.empty();
    std::vector<uint8_t> d{18, 1};
    Put16(d, 0x0110);
    d.insert(d.end(), {config_.DeviceClass, 0, 0, 8});
    Put16(d, config_.Vid);
    Put16(d, config_.Pid);
    Put16(d, 0x0100);
    d.insert(d.end(), {static_cast<uint8_t>(config_.Manufacturer.empty() ? 0 : 1),
                       static_cast<uint8_t>(config_.Product.empty() ? 0 : 2),
                       static_cast<uint8_t>(hasSerial ? 3 : 0),
                       static_cast<uint8_t>(config_.HasConfiguration ? 1 : 0)});
    if (!config_.HasConfiguration)
        return d;
    const uint8_t endpoints = config_.InterruptEndpoint ? 1 : 0;
    const uint16_t total = static_cast<uint16_t>(9 + 9 + 7 * endpoints);
    d.insert(d.end(), {9, 2});
    Put16(d, total);
    d.insert(d.end(), {1, 1, 0, static_cast<uint8_t>(config_.Firmware ? 0x80 : 0xE0), 50});
    d.insert(d.end(), {9, 4, 0, 0, endpoints, config_.DeviceClass, 0, 0, 0});
    if (endpoints)
        d.insert(d.end(), {7, 5, 0x81, 3, 4, 0, 12});
    return d;
}

std::array<uint8_t, 6> VirtualBoard::FactoryRegisters() const
{
    // The factory programs HS_DIV 11, N1 8 for its start-up frequency; RFREQ
    // follows from the true crystal.
    const int hsCode = 7;
    const int n1 = 8;
    const double rfreq = config_.StartupMHz * 11 * n1 / config_.TrueXtalMHz;
    if (!(rfreq >= 0 && rfreq < 1024))
        return {};  // no crystal the chip could run from
    const auto whole = static_cast<uint32_t>(rfreq);
    const auto frac = static_cast<uint32_t>(std::lround((rfreq - whole) * 268435456.0));
    const int n1m1 = n1 - 1;
    return {static_cast<uint8_t>(hsCode << 5 | n1m1 >> 2),
            static_cast<uint8_t>((n1m1 & 3) << 6 | whole >> 4),
            static_cast<uint8_t>((whole & 15) << 4 | frac >> 24),
            static_cast<uint8_t>(frac >> 16), static_cast<uint8_t>(frac >> 8),
            static_cast<uint8_t>(frac)};
}

void VirtualBoard::PowerUp()
{
    if (Eeprom[6] != config_.Si570Address)
        Registers = FactoryRegisters();
}

double VirtualBoard::OutputMHz() const
{
    const auto& r = Registers;
    const int hs = HsDivider(r[0] >> 5);
    const int n1 = ((r[0] & 0x1F) << 2 | r[1] >> 6) + 1;
    const uint32_t whole = (r[1] & 0x3Fu) << 4 | r[2] >> 4;
    const uint32_t frac = (r[2] & 0x0Fu) << 24 | r[3] << 16 | r[4] << 8 | r[5];
    if (hs == 0)
        return 0;  // a code the chip does not accept: no output
    return config_.TrueXtalMHz * (whole + frac / 268435456.0) / (hs * n1);
}

int VirtualBoard::Control(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                          std::span<uint8_t> data, unsigned timeoutMs)
{
    const bool in = requestType & 0x80;
    const auto received = std::chrono::steady_clock::now();
    int result;
    const auto fault = FailRequest.find(request);
    const bool vendor = (requestType & 0x60) == 0x40;
    const bool failLater = vendor && FailAfter == 0;
    if (vendor && FailAfter > 0)
        --FailAfter;
    if (FailAll)
        result = -FailAll;
    else if (failLater)
        result = -FailAfterErrno;
    else if (fault != FailRequest.end() && fault->second)
        result = -fault->second;
    else
        result = Answer(requestType, request, value, index, data);
    if (in && result > 0 && requestType != kTypeStandardIn)
        result = std::max(0, result - ShortBy);
    if (Latency.PerTransfer.count() || Latency.PerExtraPacket.count())
        std::this_thread::sleep_for(TransferTime(in ? static_cast<size_t>(std::max(result, 0)) : data.size()));
    if (Recording || OnTransfer) {
        TransferRecord rec{requestType, request, value, index,
                           static_cast<uint16_t>(data.size()), timeoutMs, {}, result, received};
        if (!in)
            rec.Bytes.assign(data.begin(), data.end());
        else if (result > 0)
            rec.Bytes.assign(data.begin(), data.begin() + result);
        if (OnTransfer)
            OnTransfer(rec);
        if (Recording)
            Log.push_back(std::move(rec));
    }
    if (result >= 0 && requestType == kTypeVendorOut && request == 0x0F && config_.Firmware) {
        ++ResetCount;
        if (OnReset)
            OnReset();
    }
    return result;
}

std::chrono::microseconds VirtualBoard::TransferTime(size_t dataBytes) const
{
    constexpr size_t packet = 8;
    const size_t extraPackets = dataBytes > packet ? (dataBytes - 1) / packet : 0;
    return Latency.PerTransfer + Latency.PerExtraPacket * static_cast<long>(extraPackets);
}

int VirtualBoard::Answer(uint8_t requestType, uint8_t request, uint16_t value, uint16_t index,
                         std::span<uint8_t> data)
{
    if (requestType == kTypeStandardIn && request == 6)
        return StandardRequest(value, index, data);
    if (!config_.Firmware)
        return -EPIPE;
    if (requestType == kTypeVendorIn)
        return VendorIn(request, value, index, data);
    if (requestType == kTypeVendorOut)
        return VendorOut(request, value, index, data);
    return -EPIPE;
}

int VirtualBoard::StandardRequest(uint16_t value, uint16_t index, std::span<uint8_t> data) const
{
    const int type = value >> 8;
    const int which = value & 0xFF;
    const std::vector<uint8_t> file = DeviceFileBytes();
    if (type == 1)
        return CopyAnswer(data, std::span(file).first(18));
    if (type == 2 && config_.HasConfiguration && which == 0)
        return CopyAnswer(data, std::span(file).subspan(18));
    if (type != 3 || (which < 32 && (FailStrings >> which & 1u)))
        return -EPIPE;
    if (which == 0)
        return CopyAnswer(data, std::array<uint8_t, 4>{4, 3, 0x09, 0x04});
    if (index != 0x0409)
        return -EPIPE;
    const std::u16string* texts[] = {&config_.Manufacturer, &config_.Product, &config_.Serial};
    if (which > 3 || texts[which - 1]->empty())
        return -EPIPE;
    return CopyAnswer(data, StringDescriptor(*texts[which - 1]));
}

int VirtualBoard::VendorIn(uint8_t request, uint16_t value, uint16_t index, std::span<uint8_t> data)
{
    switch (request) {
    case 0x11:  // read one EEPROM byte
        if (value >= EepromSize)
            return -EPIPE;
        return CopyAnswer(data, std::span(Eeprom).subspan(value, 1));
    case 0x3F:  // read Si570 registers 7..12
        if ((value & 0xFF) != config_.Si570Address)
            return -EPIPE;
        return CopyAnswer(data, Registers);
    case 0x41:  // remember last frequency: the firmware keeps the address in EEPROM byte 6
        Eeprom[6] = static_cast<uint8_t>(value);
        return CopyAnswer(data, std::array<uint8_t, 6>{});
    case 0x51:
        return CopyAnswer(data, std::span(&KeyByte, 1));
    case 0xEF: {  // first rewritable flash address
        const uint16_t start = config_.FlashableStart;
        return CopyAnswer(data, std::array<uint8_t, 2>{static_cast<uint8_t>(start & 0xFF),
                                                       static_cast<uint8_t>(start >> 8)});
    }
    case 0xEE: {  // read a flash block; beyond the flash reads as erased
        std::array<uint8_t, kFlashBlock> block;
        block.fill(0xFF);
        for (int i = 0; i < kFlashBlock && index + i < FlashSize; ++i)
            block[static_cast<size_t>(i)] = Flash[static_cast<size_t>(index + i)];
        return CopyAnswer(data, block);
    }
    case 0xFE:
    case 0xEC:
    case 0xED:
        return CopyAnswer(data, std::array<uint8_t, kFlashBlock>{});
    default:
        return -EPIPE;
    }
}

int VirtualBoard::VendorOut(uint8_t request, uint16_t value, uint16_t index,
                            std::span<const uint8_t> data)
{
    switch (request) {
    case 0x0F:
        return static_cast<int>(data.size());
    case 0x10:
        if (value >= EepromSize)
            return -EPIPE;
        Eeprom[value] = static_cast<uint8_t>(index);
        return static_cast<int>(data.size());
    case 0x24:
        SpeedGradeCode = value;
        return static_cast<int>(data.size());
    case 0x30: {
        if (data.size() != 6)
            return -EPIPE;
        if ((value & 0xFF) != config_.Si570Address || (value >> 8) != 7)
            return 6;  // nobody answers on that I2C address: the chip stays as it is
        const bool zero = std::all_of(data.begin(), data.end(), [](uint8_t b) { return b == 0; });
        if (zero)
            Registers = FactoryRegisters();
        else
            std::copy(data.begin(), data.end(), Registers.begin());
        return 6;
    }
    case 0xEE:  // program a flash block; the boot section below the start stays
        if (value != 0x00FF || data.size() != kFlashBlock)
            return -EPIPE;
        if (index < config_.FlashableStart)
            ++BootWrites;
        for (size_t i = 0; i < data.size(); ++i) {
            const size_t at = index + i;
            if (at >= config_.FlashableStart && at < Flash.size())
                Flash[at] = data[i];
        }
        return kFlashBlock;
    default:
        return -EPIPE;
    }
}
