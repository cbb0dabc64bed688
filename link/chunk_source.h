#pragma once
// CChunkSource: the chunks a list read of a memory block asks for, one at a time, each
// chosen once the one before it came, so that what was read may decide what is read next.
// The block transfer asks Next for the chunk to read, hands what came to Took, and asks
// Next again, until Next says the list is done.

#include <cstdint>

class CChunkSource {
public:
    virtual ~CChunkSource() = default;
    // The block offset of the next chunk to read, a multiple of protocol::kChunkData within
    // the block; false when the list is done.
    virtual bool Next(std::uint32_t& offset) = 0;
    // The chunk at offset came: count bytes at bytes.
    virtual void Took(std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count) = 0;
    // Bytes the list will have read when done, as far as known now: never less than the
    // bytes taken so far.
    virtual std::uint32_t Planned() const = 0;
};
