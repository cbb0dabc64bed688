#pragma once
// Little-endian reads and writes inside a byte record of known size. A value that does not
// lie wholly inside the record is never touched: reads give 0, writes give false.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

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

// A fixed-size device record held as its bytes, so that bytes no one interprets are carried
// through unchanged.
template <std::size_t N> struct t_byte_record {
    static constexpr std::size_t kSize = N;
    std::array<std::uint8_t, N> bytes{};

    // Takes the first N bytes of data; false (record untouched) when fewer are given.
    bool Load(const std::uint8_t* data, std::size_t size) {
        if (data == nullptr || size < N) {
            return false;
        }
        std::memcpy(bytes.data(), data, N);
        return true;
    }
    const std::uint8_t* Data() const { return bytes.data(); }
    std::uint8_t* Data() { return bytes.data(); }

protected:
    std::uint16_t U16(std::size_t offset) const { return ReadU16LE(bytes.data(), N, offset); }
    std::uint32_t U32(std::size_t offset) const { return ReadU32LE(bytes.data(), N, offset); }
    std::uint8_t U8(std::size_t offset) const { return ReadU8(bytes.data(), N, offset); }
    void SetU16(std::size_t offset, std::uint16_t v) { WriteU16LE(bytes.data(), N, offset, v); }
    void SetU32(std::size_t offset, std::uint32_t v) { WriteU32LE(bytes.data(), N, offset, v); }
    void SetU8(std::size_t offset, std::uint8_t v) { WriteU8(bytes.data(), N, offset, v); }
};
