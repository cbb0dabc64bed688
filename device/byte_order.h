#pragma once
// Little-endian reads and writes inside a byte record of known size. A value that does not
// lie wholly inside the record is never touched: reads give 0, writes give false.

#include <cstddef>
#include <cstdint>

inline bool FitsIn(std::size_t size, std::size_t offset, std::size_t width) {
    return offset <= size && width <= size - offset;
}

inline std::uint8_t ReadU8(const std::uint8_t* data, std::size_t size, std::size_t offset) {
    return FitsIn(size, offset, 1) ? data[offset] : 0;
}

inline std::uint16_t ReadU16LE(const std::uint8_t* data, std::size_t size, std::size_t offset) {
    if (!FitsIn(size, offset, 2)) {
        return 0;
    }
    return static_cast<std::uint16_t>(data[offset] | (data[offset + 1] << 8));
}

inline std::uint32_t ReadU32LE(const std::uint8_t* data, std::size_t size, std::size_t offset) {
    if (!FitsIn(size, offset, 4)) {
        return 0;
    }
    return static_cast<std::uint32_t>(data[offset]) |
           (static_cast<std::uint32_t>(data[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(data[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(data[offset + 3]) << 24);
}

inline std::int16_t ReadI16LE(const std::uint8_t* data, std::size_t size, std::size_t offset) {
    return static_cast<std::int16_t>(ReadU16LE(data, size, offset));
}

inline std::int32_t ReadI32LE(const std::uint8_t* data, std::size_t size, std::size_t offset) {
    return static_cast<std::int32_t>(ReadU32LE(data, size, offset));
}

inline bool WriteU8(std::uint8_t* data, std::size_t size, std::size_t offset, std::uint8_t value) {
    if (!FitsIn(size, offset, 1)) {
        return false;
    }
    data[offset] = value;
    return true;
}

inline bool WriteU16LE(std::uint8_t* data, std::size_t size, std::size_t offset,
                       std::uint16_t value) {
    if (!FitsIn(size, offset, 2)) {
        return false;
    }
    data[offset] = static_cast<std::uint8_t>(value);
    data[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    return true;
}

inline bool WriteU32LE(std::uint8_t* data, std::size_t size, std::size_t offset,
                       std::uint32_t value) {
    if (!FitsIn(size, offset, 4)) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        data[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    return true;
}

inline bool WriteI32LE(std::uint8_t* data, std::size_t size, std::size_t offset,
                       std::int32_t value) {
    return WriteU32LE(data, size, offset, static_cast<std::uint32_t>(value));
}
