#pragma once
// CTraceRing: the hand-over of trace entries from the link worker to the host's thread. One
// thread pushes, one other thread takes; neither ever waits for the other. A push that finds
// the ring full drops its entry and counts it; the next push that finds room for two puts a
// Lost entry with that count first, so the written trace says where entries are missing.
// Losses the pusher had no room to tell are taken with TakeLost().

#include "link/trace_entry.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

class CTraceRing {
public:
    // Room for capacity entries (at least 2).
    explicit CTraceRing(std::size_t capacity);
    CTraceRing(const CTraceRing&) = delete;
    CTraceRing& operator=(const CTraceRing&) = delete;

    // Pusher's side. False when the entry was dropped for want of room.
    bool Push(const t_trace_entry& entry);

    // Taker's side. False when the ring is empty.
    bool Take(t_trace_entry& entry);
    bool Empty() const;
    // Entries dropped and not yet told by a Lost entry; they are told by the caller now.
    std::uint32_t TakeLost() { return m_lost.exchange(0); }

private:
    std::size_t Used(std::size_t tail) const;
    void Put(std::size_t tail, const t_trace_entry& entry);

    std::vector<t_trace_entry> m_slots;
    // Positions grow without wrapping; the slot of a position is position % capacity.
    std::atomic<std::size_t> m_head{0}; // next to take; written by the taker
    std::atomic<std::size_t> m_tail{0}; // next to fill; written by the pusher
    std::atomic<std::uint32_t> m_lost{0};
};
