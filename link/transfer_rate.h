#pragma once
// CTransferRate: the progress text of a long transfer, "123 456 z 475 136 B, 1,9 kB/s,
// zostało ok. 3 min 05 s".
//
// The rate is taken over the last five seconds, so that a short pause lowers it gently
// instead of making it and the time left jump; it is known once the samples span a second.
// Until then the text holds only the bytes part. A transfer that has not moved for the
// whole window shows "0,0 kB/s" and no time left, as does a finished one or one whose
// estimate passes 100 hours.
// kB is 1000 B; the time left is rounded to the second, "45 s" under a minute, and to the
// minute from an hour on ("1 h 19 min").
//
// Times are a steady clock in ms given by the caller; the class never reads a clock.

#include <cstdint>
#include <deque>
#include <string>

class CTransferRate {
public:
    explicit CTransferRate(std::uint64_t totalBytes) : m_total(totalBytes) {}
    // A total learnt on the way (a list read whose length depends on what it finds).
    void SetTotal(std::uint64_t totalBytes) { m_total = totalBytes; }

    // Takes the bytes done at nowMs. True when the text should be shown now: for the first
    // sample, 250 ms or more after the text last shown, and once for the sample that
    // reaches the total. Fewer bytes than before, or a clock that went back, start the
    // measurement afresh (a transfer begun again).
    bool Update(std::int64_t nowMs, std::uint64_t bytesDone);

    // The text for the last sample; empty before any.
    std::string Text() const;
    // Bytes per second over the window; false while not yet known.
    bool Rate(double& bytesPerSecond) const;

private:
    struct Sample {
        std::int64_t ms;
        std::uint64_t bytes;
    };
    std::uint64_t m_total;
    std::deque<Sample> m_window; // spaced at least kSampleSpacingMs apart
    Sample m_last{0, 0};
    bool m_started = false;
    std::int64_t m_shownMs = 0;
    bool m_completionShown = false;
};

// "475 136": the digits grouped by three with spaces.
std::string FormatByteCount(std::uint64_t bytes);
