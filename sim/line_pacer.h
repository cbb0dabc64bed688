#pragma once
// Releases characters at the speed of a serial line: one character every 10 bit times
// (start bit, 8 data bits, stop bit). A character is released when it would have been
// received whole; characters queue behind each other as on one line. Without a baud rate
// every character is released as soon as it is ready.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class LinePacer {
public:
    using Clock = std::chrono::steady_clock;

    explicit LinePacer(int baud = 0) { SetBaud(baud); }
    // 0 or less: no pacing. Applies to characters pushed from now on.
    void SetBaud(int baud);
    int Baud() const { return m_baud; }
    Clock::duration CharacterTime() const { return m_characterTime; }

    // Queues characters that are ready to go on the line at `ready`.
    void Push(const std::uint8_t* data, std::size_t size, Clock::time_point ready);
    // Appends the characters due by `now` to out.
    void Release(Clock::time_point now, std::vector<std::uint8_t>& out);
    // When the next character is due; Clock::time_point::max() when nothing is queued.
    Clock::time_point NextDue() const;
    bool Empty() const { return m_segments.empty(); }
    void Clear();

private:
    struct Segment {
        std::vector<std::uint8_t> bytes;
        std::size_t released = 0;
        Clock::time_point start; // when the line begins sending its first character
        Clock::duration characterTime{};
    };
    int m_baud = 0;
    Clock::duration m_characterTime{};
    Clock::time_point m_lineFree{}; // when the last queued character has been sent
    std::deque<Segment> m_segments;
};
