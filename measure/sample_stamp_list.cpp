#include "measure/sample_stamp_list.h"

#include "link/protocol.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The time of the newest sample. Times are counted in calendar seconds: a piece of a split
// run and a merged run's samples go on from the run's start as the recorder's clock did,
// where stepping a local record would read an hour the clock repeats as its first pass.
// The record is made only when it is looked at: a conversion per sample would dominate the
// decoding.
class LastSampleTime {
public:
    // The newest sample is now the last one of run.
    void SetToLastOf(const CSampleStamp& run) {
        if (run.GetStartCalendar() == -1) {
            // A start that cannot be converted stands for every sample's time.
            record_ = run.GetStartTime();
            calendar_ = -1;
            pending_ = false;
        } else {
            calendar_ = run.GetStartCalendar() + run.GetSampleCount() - 1;
            pending_ = true;
        }
    }
    // Calendar time of the newest sample; -1 before any, or when its run's start cannot be
    // converted (Record() then holds that start as it is).
    std::int64_t Calendar() const { return calendar_; }
    // Counts on by seconds; only while Calendar() is not -1.
    void CountOn(std::int64_t seconds) {
        calendar_ += seconds;
        pending_ = true;
    }
    // The local time of the newest sample; all zero before any.
    const t_device_time& Record() {
        if (pending_) {
            record_ = CalendarToDeviceTime(calendar_);
            pending_ = false;
        }
        return record_;
    }

private:
    t_device_time record_{};
    std::int64_t calendar_ = -1;
    bool pending_ = false;
};

// Builds the runs as their parts arrive: drops a run whose start is no valid time,
// continues the run of the newest sample when a new run starts within the merge window of
// it, and starts a new run one second on when one is full.
class RunBuilder {
public:
    enum class Header { Incomplete, Valid, Invalid };

    RunBuilder(CSampleStampList& list, int maxSamplesPerRun, int mergeWindow)
        : list_(list), maxSamplesPerRun_(maxSamplesPerRun), mergeWindow_(mergeWindow) {}

    void OpenRun() { list_.AddStamp(); }

    // The next start-time byte of the run just opened. Invalid: the run was dropped.
    Header PutHeaderByte(std::uint8_t byte) {
        CSampleStamp* run = list_.GetLastStamp();
        run->PutHeaderByte(byte);
        if (!run->IsHeaderComplete()) {
            return Header::Incomplete;
        }
        if (!run->IsHeaderValid()) {
            list_.RemoveLastStamp();
            return Header::Invalid;
        }
        if (const std::int64_t distance = MergeDistance(*run); distance >= 0) {
            ContinuePrevious(distance);
        }
        return Header::Valid;
    }

    // A sample begins: when the run is full, the rest goes on in a new run.
    void BeginSample() {
        if (list_.GetLastStamp()->GetSampleCount() < maxSamplesPerRun_) {
            return;
        }
        CSampleStamp* next = list_.AddStamp();
        if (last_.Calendar() == -1) {
            next->SetStartTime(last_.Record());
        } else {
            last_.CountOn(1);
            next->SetStartCalendar(last_.Calendar());
        }
        timedRun_ = next;
    }

    void AddSample(const t_sample_type& sample) {
        CSampleStamp* run = list_.GetLastStamp();
        run->AddSample(sample);
        timedRun_ = run;
        last_.SetToLastOf(*run);
    }

    const t_device_time& LastTime() { return last_.Record(); }

private:
    // Seconds from the newest sample to the start of run, the run just completed, when run
    // continues the run of that sample; -1 when it stands apart.
    std::int64_t MergeDistance(const CSampleStamp& run) const {
        // Only the run that holds the last sample can be continued; a run cut short or
        // left without samples in between keeps the new run apart.
        const int count = list_.GetStampCount();
        if (count < 2 || list_.GetStamp(count - 2) != timedRun_) {
            return -1;
        }
        if (last_.Calendar() == -1 || run.GetStartCalendar() == -1) {
            return -1;
        }
        const std::int64_t distance = std::llabs(run.GetStartCalendar() - last_.Calendar());
        return distance < mergeWindow_ ? distance : -1;
    }

    // Drops the run just completed; the previous one fills the seconds in between.
    void ContinuePrevious(std::int64_t distance) {
        list_.RemoveLastStamp();
        CSampleStamp* previous = list_.GetLastStamp();
        for (std::int64_t i = 1; i < distance; ++i) {
            previous->AddSample(t_sample_type{});
        }
        if (distance > 1) {
            last_.CountOn(distance - 1);
        }
    }

    CSampleStampList& list_;
    const int maxSamplesPerRun_;
    const int mergeWindow_;
    // The run whose samples (or split start) the newest time belongs to; none before the
    // first sample, so the first run of a decoding is always kept.
    const CSampleStamp* timedRun_ = nullptr;
    LastSampleTime last_;
};

// The positions of a ring of length bytes, once round from first.
class RingWalk {
public:
    RingWalk(std::size_t length, std::size_t first)
        : length_(length), index_(first), left_(length) {}
    bool Done() const { return left_ == 0; }
    std::size_t Index() const { return index_; }
    void Next() {
        --left_;
        if (++index_ == length_) {
            index_ = 0;
        }
    }

private:
    std::size_t length_;
    std::size_t index_;
    std::size_t left_;
};

// Reads the ring's bytes from first as records and hands their parts to runs: 0xFE opens a
// run, seven start-time bytes follow, then 3-byte samples; 0xFF ends the data, and the
// bytes of a run with an invalid start are skipped up to the next 0xFE. The state lives in
// locals so that the compiler follows it from one byte to the next; held in an object, it
// cost every byte a dispatch.
void ReadRecords(const std::uint8_t* image, std::size_t length, std::size_t first,
                 RunBuilder& runs) {
    enum class State { NewRun, Header, Speed, PositionHigh, PositionLow, Skip };
    State state = State::NewRun;
    std::uint8_t speed = 0;
    std::uint8_t positionHigh = 0;
    for (RingWalk walk(length, first); !walk.Done(); walk.Next()) {
        const std::uint8_t byte = image[walk.Index()];
        if (byte == protocol::kRecorderStartMarker) {
            state = State::NewRun;
        } else if (byte == protocol::kRecorderEndMarker) {
            return;
        }
        switch (state) {
        case State::NewRun:
            runs.OpenRun();
            state = State::Header;
            break;
        case State::Header:
            switch (runs.PutHeaderByte(byte)) {
            case RunBuilder::Header::Incomplete:
                break;
            case RunBuilder::Header::Valid:
                state = State::Speed;
                break;
            case RunBuilder::Header::Invalid:
                state = State::Skip;
                break;
            }
            break;
        case State::Speed:
            runs.BeginSample();
            speed = byte;
            state = State::PositionHigh;
            break;
        case State::PositionHigh:
            positionHigh = byte;
            state = State::PositionLow;
            break;
        case State::PositionLow: {
            t_sample_type sample;
            sample.speed = speed;
            sample.position = Join7Bit(static_cast<std::uint16_t>((positionHigh << 8) | byte));
            runs.AddSample(sample);
            state = State::Speed;
            break;
        }
        case State::Skip:
            break;
        }
    }
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
    const std::size_t first = static_cast<std::size_t>(
        std::find(image, image + length, protocol::kRecorderStartMarker) - image);
    if (first == length) {
        return;
    }
    DeleteAllStamps();
    RunBuilder runs(*this, maxSamplesPerRun, mergeWindow);
    ReadRecords(image, length, first, runs);
    m_lastTime = runs.LastTime();
}
