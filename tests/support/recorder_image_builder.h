#pragma once
// Builds recorder memory images for tests: start markers with their start times, samples
// and the end marker, written one after another into an otherwise all-zero image.

#include "base/device_time.h"
#include "link/protocol.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class RecorderImageBuilder {
public:
    RecorderImageBuilder() : m_image(protocol::kRecorderSize, 0) {}

    // A start marker and the run's start time.
    RecorderImageBuilder& Start(const t_device_time& time) {
        Put(0xFE);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&time);
        for (std::size_t i = 0; i < sizeof time; ++i) {
            Put(bytes[i]);
        }
        return *this;
    }
    RecorderImageBuilder& Start(int year, int month, int day, int hour, int minute, int second) {
        return Start(MakeDeviceTime(year, month, day, hour, minute, second));
    }
    // One second of recording: speed in 0.1 m/s, position in metres (below 16,384 so that
    // no position byte is a marker).
    RecorderImageBuilder& Sample(std::uint8_t speed, std::uint16_t position) {
        Put(speed);
        Put(static_cast<std::uint8_t>(position >> 7));
        Put(static_cast<std::uint8_t>(position & 0x7F));
        return *this;
    }
    RecorderImageBuilder& End() {
        Put(0xFF);
        return *this;
    }

    const std::vector<std::uint8_t>& Image() const { return m_image; }
    std::vector<std::uint8_t>& Image() { return m_image; }

private:
    void Put(std::uint8_t b) {
        m_image[m_at] = b;
        m_at = (m_at + 1) % m_image.size();
    }

    std::vector<std::uint8_t> m_image;
    std::size_t m_at = 0;
};
