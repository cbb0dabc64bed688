#pragma once
// One recording run of the recorder: its start time and its samples, one second apart.

#include "base/device_time.h"

#include <cstdint>
#include <vector>

#pragma pack(push, 1)
struct t_sample_type {
    std::uint8_t speed = 0;     // 0.1 m/s
    std::uint16_t position = 0; // metres along the route
};
#pragma pack(pop)
static_assert(sizeof(t_sample_type) == 3);

class CSampleStamp {
public:
    static constexpr int kHeaderSize = 7;
    static constexpr int kFirstValidYear = 2006;
    static constexpr int kLastValidYear = 2099;

    CSampleStamp() = default;
    virtual ~CSampleStamp() = default;

    // The local time of sample 0.
    const t_device_time& GetStartTime() const { return m_startTime; }
    // Replaces the start time, read as local time; it then counts as complete.
    void SetStartTime(const t_device_time& time);
    // Starts the run at a calendar time (seconds since the epoch) and its local time; it
    // then counts as complete. A piece of a longer run starts so, counted on from the
    // run's own start: its local record alone cannot tell which pass of an hour the clock
    // repeats it lies in.
    void SetStartCalendar(std::int64_t calendar);
    // Calendar time of sample 0; -1 when the start time cannot be converted or is not
    // complete.
    std::int64_t GetStartCalendar() const { return m_startCalendar; }
    // The local time of sample index: the start's calendar time counted on by index
    // seconds, which for a run started from a record is AddSeconds(GetStartTime(), index);
    // the start record itself when it cannot be converted.
    t_device_time GetSampleTime(int index) const;

    // Stores b as the next start-time byte; bytes beyond the seventh are ignored.
    void PutHeaderByte(std::uint8_t b);
    int GetHeaderFill() const { return m_headerFill; }
    bool IsHeaderComplete() const { return m_headerFill >= kHeaderSize; }
    // Fields in range (day 0 and month 0 pass) and a year from 2006 to 2099.
    bool IsHeaderValid() const;

    void AddSample(const t_sample_type& sample);
    int GetSampleCount() const { return static_cast<int>(m_samples.size()); }
    // The sample at index, or a sample of zeros when index is out of range. Constant time.
    t_sample_type GetSample(int index) const;
    // Smallest position; 65535 for a run without samples.
    std::uint16_t GetMinPosition() const { return m_minPosition; }
    // Largest position; 0 for a run without samples.
    std::uint16_t GetMaxPosition() const { return m_maxPosition; }

private:
    t_device_time m_startTime;
    std::int64_t m_startCalendar = -1;
    int m_headerFill = 0;
    std::vector<t_sample_type> m_samples;
    std::uint16_t m_minPosition = 0xFFFF;
    std::uint16_t m_maxPosition = 0;
};
