#include "measure/sample_stamp_list.h"

#include <cstdlib>

namespace {

constexpr std::uint8_t kStartMarker = 0xFE;
constexpr std::uint8_t kEndMarker = 0xFF;

enum class DecodeState { NewRun, Header, Speed, PositionHigh, PositionLow, End, Skip };

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

    // Times are counted in calendar seconds: a piece of a split run and a merged run's
    // samples go on from the run's start as the recorder's clock did, where stepping a
    // local record would read an hour the clock repeats as its first pass. lastCalendar is
    // m_lastTime's calendar time, -1 when the run's start cannot be converted (m_lastTime
    // then holds that start as it is). The record is made only when it is looked at: a
    // conversion per sample would dominate the decoding.
    std::int64_t lastCalendar = -1;
    bool lastTimePending = false;

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
            if (lastCalendar == -1 || run->GetStartCalendar() == -1) {
                break;
            }
            const std::int64_t distance = std::llabs(run->GetStartCalendar() - lastCalendar);
            if (distance >= mergeWindow) {
                break;
            }
            RemoveLastStamp();
            CSampleStamp* previous = GetLastStamp();
            for (std::int64_t i = 1; i < distance; ++i) {
                previous->AddSample(t_sample_type{});
            }
            if (distance > 1) {
                lastCalendar += distance - 1;
                lastTimePending = true;
            }
            break;
        }

        case DecodeState::Speed:
            if (GetLastStamp()->GetSampleCount() >= maxSamplesPerRun) {
                CSampleStamp* next = AddStamp();
                if (lastCalendar == -1) {
                    next->SetStartTime(m_lastTime);
                } else {
                    next->SetStartCalendar(++lastCalendar);
                    lastTimePending = true;
                }
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
            if (run->GetStartCalendar() == -1) {
                // A start that cannot be converted stands for every sample's time.
                m_lastTime = run->GetStartTime();
                lastCalendar = -1;
                lastTimePending = false;
            } else {
                lastCalendar = run->GetStartCalendar() + run->GetSampleCount() - 1;
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
