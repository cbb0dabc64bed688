#include "link/trace_ring.h"

#include <algorithm>

CTraceRing::CTraceRing(std::size_t capacity) : m_slots(std::max<std::size_t>(capacity, 2)) {}

std::size_t CTraceRing::Used(std::size_t tail) const {
    return tail - m_head.load(std::memory_order_acquire);
}

void CTraceRing::Put(std::size_t tail, const t_trace_entry& entry) {
    m_slots[tail % m_slots.size()] = entry;
    // The slot is written before the taker can see it.
    m_tail.store(tail + 1, std::memory_order_release);
}

bool CTraceRing::Push(const t_trace_entry& entry) {
    std::size_t tail = m_tail.load(std::memory_order_relaxed);
    const std::size_t room = m_slots.size() - Used(tail);
    const bool losses = m_lost.load(std::memory_order_relaxed) != 0;
    // After losses the entry needs a slot for the note before it.
    if (room < (losses ? 2u : 1u)) {
        m_lost.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    if (losses) {
        // The taker may have told them meanwhile (TakeLost); then there is nothing to note.
        if (const std::uint32_t lost = m_lost.exchange(0); lost != 0) {
            t_trace_entry note;
            note.atNs = entry.atNs;
            note.kind = TraceKind::Lost;
            note.number = lost;
            Put(tail++, note);
        }
    }
    Put(tail, entry);
    return true;
}

bool CTraceRing::Take(t_trace_entry& entry) {
    const std::size_t head = m_head.load(std::memory_order_relaxed);
    if (head == m_tail.load(std::memory_order_acquire)) {
        return false;
    }
    entry = m_slots[head % m_slots.size()];
    // The slot is read before the pusher may fill it again.
    m_head.store(head + 1, std::memory_order_release);
    return true;
}

bool CTraceRing::Empty() const {
    return m_head.load(std::memory_order_acquire) == m_tail.load(std::memory_order_acquire);
}
