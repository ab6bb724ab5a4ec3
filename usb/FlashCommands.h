#pragma once
// The firmware's flash requests: the first rewritable address, reading flash
// in 64-byte blocks, and programming an image above that address. Each call
// opens the board afresh and closes it again; a transfer that fails or comes
// back short raises TransferError and ends the call.
#include <array>
#include <cstdint>
#include <functional>
#include <span>

constexpr int FlashBlockSize = 64;
// The chip's flash: what a dump reads, and the most an image may reach.
constexpr int FlashSize = 8 * 1024;
constexpr int FlashDumpBlocks = FlashSize / FlashBlockSize;
using TFlashBlock = std::array<uint8_t, FlashBlockSize>;

// Request 0xEF: the two bytes of the reply, little-endian. Raises
// DeviceNotFoundError (product in quotes) when the board is absent.
uint16_t ReadFlashableStart();

// Request 0xEE in, for blocks 0 .. count-1 from address 0, each handed on as
// it arrives. Raises DeviceNotFoundError without the quotes when the board is
// absent.
void ReadFlashBlocks(int count, const std::function<void(int address, const TFlashBlock& block)>& onBlock);

// 0xFE; per block 0xEE out then 0xEE in; 0xEC and 0xED with the last block's
// address. The blocks run from start (not aligned) to the image's end; bytes
// past the end go out as 0xFF. beforeBlock runs before each block is sent.
// Nothing is sent when start is not below the image's length. Raises
// DeviceNotFoundError (quoted) when the board is absent.
void ProgramFlash(std::span<const uint8_t> image, int start, const std::function<void(int address)>& beforeBlock);
