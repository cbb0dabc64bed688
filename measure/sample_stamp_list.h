#pragma once
// The recording runs decoded from a recorder memory image.
//
// The image is a ring: 0xFE opens a run and is followed by its 7-byte start time, then come
// 3-byte samples (speed, position high, position low with 7 bits), and 0xFF ends the data.

#include "measure/sample_stamp.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class CSampleStampList {
public:
    CSampleStampList() = default;
    virtual ~CSampleStampList() = default;
    CSampleStampList(const CSampleStampList&) = delete;
    CSampleStampList& operator=(const CSampleStampList&) = delete;

    // Rebuilds the runs from length bytes at image, walking the ring once from its first
    // 0xFE. A run longer than maxSamplesPerRun continues in a new run one second later; a
    // run that starts less than mergeWindow seconds from the last sample continues the
    // previous run after filler samples. Either way the calendar count goes on from the
    // start of the run continued, so every piece of a split run gives its samples the times
    // AddSeconds gives from the recorded start. An image without 0xFE leaves the list as
    // it was.
    void DecodeImage(const std::uint8_t* image, std::size_t length, int maxSamplesPerRun,
                     int mergeWindow);

    int GetStampCount() const { return static_cast<int>(m_stamps.size()); }
    // The run at index, or nullptr when index is out of range.
    CSampleStamp* GetStamp(int index) const;
    CSampleStamp* AddStamp();
    // The list must not be empty.
    CSampleStamp* GetLastStamp() const { return m_stamps.back().get(); }
    void RemoveLastStamp();
    void DeleteAllStamps() { m_stamps.clear(); }

    // Time of the last sample decoded (all zero before any).
    const t_device_time& GetLastTime() const { return m_lastTime; }

private:
    std::vector<std::unique_ptr<CSampleStamp>> m_stamps;
    t_device_time m_lastTime;
};
