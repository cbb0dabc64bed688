#include "sim/line_pacer.h"

#include <algorithm>

void LinePacer::SetBaud(int baud) {
    m_baud = std::max(baud, 0);
    m_characterTime = m_baud > 0 ? std::chrono::duration_cast<Clock::duration>(
                                       std::chrono::nanoseconds(10'000'000'000LL / m_baud))
                                 : Clock::duration::zero();
}

void LinePacer::Push(const std::uint8_t* data, std::size_t size, Clock::time_point ready) {
    if (size == 0) {
        return;
    }
    Segment segment;
    segment.bytes.assign(data, data + size);
    segment.characterTime = m_characterTime;
    segment.start = std::max(ready, m_lineFree);
    m_lineFree = segment.start + m_characterTime * static_cast<long>(size);
    m_segments.push_back(std::move(segment));
}

void LinePacer::Release(Clock::time_point now, std::vector<std::uint8_t>& out) {
    while (!m_segments.empty()) {
        Segment& s = m_segments.front();
        if (now < s.start) {
            return;
        }
        std::size_t due = s.bytes.size();
        if (s.characterTime > Clock::duration::zero()) {
            due = std::min<std::size_t>(
                due, static_cast<std::size_t>((now - s.start) / s.characterTime));
        }
        if (due > s.released) {
            out.insert(out.end(), s.bytes.begin() + static_cast<long>(s.released),
                       s.bytes.begin() + static_cast<long>(due));
            s.released = due;
        }
        if (s.released < s.bytes.size()) {
            return;
        }
        m_segments.pop_front();
    }
}

LinePacer::Clock::time_point LinePacer::NextDue() const {
    if (m_segments.empty()) {
        return Clock::time_point::max();
    }
    const Segment& s = m_segments.front();
    return s.start + s.characterTime * static_cast<long>(s.released + 1);
}

void LinePacer::Clear() {
    m_segments.clear();
    m_lineFree = {};
}
