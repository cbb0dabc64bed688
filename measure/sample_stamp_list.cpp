#include "measure/sample_stamp_list.h"

#include <cstdlib>
#include <ctime>

namespace {

constexpr std::uint8_t kStartMarker = 0xFE;
constexpr std::uint8_t kEndMarker = 0xFF;

enum class DecodeState { NewRun, Header, Speed, PositionHigh, PositionLow, End, Skip };

long UtcOffsetAt(std::int64_t calendar) {
    const std::time_t t = static_cast<std::time_t>(calendar);
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr) {
        return 0;
    }
    return tm.tm_gmtoff;
}

// The record AddSeconds(t, 1) gives when applied count times. Away from a daylight-saving
// change that is one conversion; within an hour or two of one, the record's ambiguous local
// time can make single steps differ from one large step, so it steps one second at a time.
t_device_time StepSeconds(t_device_time t, std::int64_t count) {
    if (count <= 0) {
        return t;
    }
    const std::int64_t calendar = DeviceTimeToCalendar(t);
    if (calendar == -1) {
        return t;
    }
    constexpr std::int64_t kMargin = 2 * 3600;
    if (UtcOffsetAt(calendar - kMargin) == UtcOffsetAt(calendar + count + kMargin)) {
        return CalendarToDeviceTime(calendar + count);
    }
    for (std::int64_t i = 0; i < count; ++i) {
        t = AddSeconds(t, 1);
    }
    return t;
}

} // namespace

CSampleStamp* CSampleStampList::GetStamp(int index) const {
    if (index < 0 || index >= GetStampCount()) {
        return nullptr;
    }
    return m_stamps[static_cast<std::size_t>(index)].get();
}

CSampleStamp* CSampleStampList::AddStamp() {
    m_stamps.push_back(std::make_unique<CSampleStamp>());
    return m_stamps.back().get();
}

void CSampleStampList::RemoveLastStamp() {
    m_stamps.pop_back();
}

void CSampleStampList::DecodeImage(const std::uint8_t* image, std::size_t length,
                                   int maxSamplesPerRun, int mergeWindow) {
    if (image == nullptr || length == 0) {
        return;
    }
    std::size_t first = 0;
    while (first < length && image[first] != kStartMarker) {
        ++first;
    }
    if (first == length) {
        return;
    }
    DeleteAllStamps();
    m_lastTime = t_device_time{};

    DecodeState state = DecodeState::NewRun;
    std::uint8_t speed = 0;
    std::uint8_t positionHigh = 0;

    // The run whose samples (or split start) m_lastTime belongs to; none before the first
    // sample, so the first run of a decoding is always kept.
    const CSampleStamp* timedRun = nullptr;

    // The time of the newest sample is kept as calendar time and turned into a record only
    // when it is looked at: a conversion per sample would dominate the decoding.
    bool lastTimePending = false;
    std::int64_t lastCalendar = 0;
    // Calendar time of the start of the run that receives samples. Runs that hold samples
    // are never removed, so the pointer cannot come to name another run.
    const CSampleStamp* calendarRun = nullptr;
    std::int64_t calendarStart = -1;

    auto settleLastTime = [&]() {
        if (lastTimePending) {
            m_lastTime = CalendarToDeviceTime(lastCalendar);
            lastTimePending = false;
        }
    };

    std::size_t index = first;
    for (std::size_t k = 0; k < length; ++k) {
        const std::uint8_t byte = image[index];
        if (++index == length) {
            index = 0;
        }
        if (byte == kStartMarker) {
            state = DecodeState::NewRun;
        } else if (byte == kEndMarker) {
            state = DecodeState::End;
        }

        switch (state) {
        case DecodeState::NewRun:
            AddStamp();
            state = DecodeState::Header;
            break;

        case DecodeState::Header: {
            CSampleStamp* run = GetLastStamp();
            run->PutHeaderByte(byte);
            if (!run->IsHeaderComplete()) {
                break;
            }
            if (!run->IsHeaderValid()) {
                RemoveLastStamp();
                state = DecodeState::Skip;
                break;
            }
            state = DecodeState::Speed;
            if (timedRun == nullptr) {
                break;
            }
            // Only the run that holds the last sample can be continued; a run cut short or
            // left without samples in between keeps the new run apart.
            if (m_stamps.size() < 2 || m_stamps[m_stamps.size() - 2].get() != timedRun) {
                break;
            }
            settleLastTime();
            const std::int64_t distance =
                std::llabs(static_cast<std::int64_t>(DiffSeconds(m_lastTime, run->GetStartTime())));
            if (distance >= mergeWindow) {
                break;
            }
            RemoveLastStamp();
            CSampleStamp* previous = GetLastStamp();
            for (std::int64_t i = 1; i < distance; ++i) {
                previous->AddSample(t_sample_type{});
            }
            m_lastTime = StepSeconds(m_lastTime, distance - 1);
            break;
        }

        case DecodeState::Speed:
            if (GetLastStamp()->GetSampleCount() >= maxSamplesPerRun) {
                settleLastTime();
                m_lastTime = AddSeconds(m_lastTime, 1);
                CSampleStamp* next = AddStamp();
                next->SetStartTime(m_lastTime);
                timedRun = next;
            }
            speed = byte;
            state = DecodeState::PositionHigh;
            break;

        case DecodeState::PositionHigh:
            positionHigh = byte;
            state = DecodeState::PositionLow;
            break;

        case DecodeState::PositionLow: {
            CSampleStamp* run = GetLastStamp();
            t_sample_type sample;
            sample.speed = speed;
            sample.position = Join7Bit(static_cast<std::uint16_t>((positionHigh << 8) | byte));
            run->AddSample(sample);
            timedRun = run;
            if (calendarRun != run) {
                calendarRun = run;
                calendarStart = DeviceTimeToCalendar(run->GetStartTime());
            }
            if (calendarStart == -1) {
                // AddSeconds leaves a record it cannot convert as it is.
                m_lastTime = run->GetStartTime();
                lastTimePending = false;
            } else {
                lastCalendar = calendarStart + run->GetSampleCount() - 1;
                lastTimePending = true;
            }
            state = DecodeState::Speed;
            break;
        }

        case DecodeState::End:
            settleLastTime();
            return;

        case DecodeState::Skip:
            break;
        }
    }
    settleLastTime();
}
