#include "link/link_trace.h"

#include "base/device_time.h"
#include "base/text_format.h"
#include "link/com_port.h"
#include "link/link_host.h"
#include "link/port_failure_text.h"
#include "link/trace_line.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>

namespace {

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr char kLegend[] = "czas w ms od początku; -> do urządzenia, <- od urządzenia, "
                           "<! odrzucone przez odbiornik, -- zdarzenia łącza";

} // namespace

CLinkTrace::CLinkTrace(CLinkHost& host, std::size_t capacity)
    : m_host(host), m_capacity(capacity) {}

void CLinkTrace::Start(std::unique_ptr<CTraceWriter> writer, const std::string& program,
                       FailureFunction onFailure) {
    Stop();
    if (!m_ring) {
        m_ring = std::make_unique<CTraceRing>(m_capacity);
    }
    // Entries of an earlier trace, stamped after it ended, belong to none.
    for (t_trace_entry stale; m_ring->Take(stale);) {
    }
    m_ring->TakeLost();
    m_writer = std::move(writer);
    m_onFailure = std::move(onFailure);
    m_startNs = NowNs();
    m_on.store(true, std::memory_order_release);
    Write(Format("# %s: zapis ruchu łącza od %s; %s\n", program.c_str(),
                 LocalTimeText(static_cast<std::int64_t>(std::time(nullptr))).c_str(), kLegend));
}

void CLinkTrace::Stop() {
    if (!m_writer) {
        return;
    }
    m_on.store(false, std::memory_order_release);
    std::string text;
    TakeEntries(text, m_capacity);
    t_trace_entry lost;
    lost.atNs = NowNs();
    lost.kind = TraceKind::Lost;
    // Entries dropped after the worker's last one that found room: nothing told them yet.
    lost.number = m_ring->TakeLost();
    if (lost.number != 0) {
        text += TraceEntryLine(lost, m_startNs) + "\n";
    }
    text += TraceNoteLine(lost.atNs, m_startNs, "koniec zapisu") + "\n";
    Write(text);
    m_writer.reset();
    m_onFailure = nullptr;
}

void CLinkTrace::Note(const std::string& text) {
    if (m_writer) {
        WriteNote(text);
    }
}

void CLinkTrace::Connecting(const std::string& portName, const std::string& devicePath,
                            int baudRate) {
    if (m_writer) {
        WriteNote(Format("otwieranie portu %s (%s), %d b/s", portName.c_str(),
                         CComPort::ResolvedDevice(devicePath).c_str(), baudRate));
    }
}

void CLinkTrace::Connected() {
    Note("połączono");
}

void CLinkTrace::Disconnected(const t_link_end& end, const std::string& portName, int baudRate) {
    if (!m_writer) {
        return;
    }
    if (end.failure.Failed()) {
        WriteNote("rozłączono: " + PortFailureTextFor(portName, baudRate, end.failure));
    } else {
        WriteNote(end.exitCode == 0 ? "rozłączono na żądanie"
                                    : Format("rozłączono, kod %d", end.exitCode));
    }
}

void CLinkTrace::TimedOut(const t_transfer_data& request, int waitMs) {
    if (m_writer) {
        WriteNote(Format("limit czasu: brak odpowiedzi na komendę %u w %d ms",
                         static_cast<unsigned>(request.command), waitMs));
    }
}

void CLinkTrace::Retried(const t_block_request& request, int tryNumber) {
    if (m_writer) {
        WriteNote(Format("ponowienie: komenda %u, %u B od adresu 0x%06X, próba %d",
                         static_cast<unsigned>(request.command), request.count, request.address,
                         tryNumber));
    }
}

void CLinkTrace::Dropped(const std::string& reason) {
    if (m_writer) {
        WriteNote("ramka odrzucona: " + reason);
    }
}

void CLinkTrace::WriteNote(const std::string& text) {
    std::string out;
    TakeEntries(out, m_capacity);
    out += TraceNoteLine(NowNs(), m_startNs, text);
    out += '\n';
    Write(out);
}

void CLinkTrace::TakeEntries(std::string& text, std::size_t limit) {
    t_trace_entry entry;
    for (std::size_t n = 0; n < limit && m_ring->Take(entry); ++n) {
        if (entry.atNs >= m_startNs) {
            text += TraceEntryLine(entry, m_startNs);
            text += '\n';
        }
    }
}

void CLinkTrace::Write(const std::string& text) {
    if (!m_writer || text.empty() || m_writer->Write(text)) {
        return;
    }
    // The trace ends here; the owner learns why.
    m_on.store(false, std::memory_order_release);
    const std::string reason = m_writer->Failure();
    m_writer.reset();
    const FailureFunction told = std::move(m_onFailure);
    m_onFailure = nullptr;
    if (told) {
        told(reason);
    }
}

void CLinkTrace::Drain() {
    m_drainPosted.store(false);
    if (!m_writer) {
        return; // what is left belongs to no trace; the next Start drops it
    }
    std::string text;
    TakeEntries(text, kBatch);
    Write(text);
    // What one turn left waits for the next, so that the host's thread is not held long.
    if (m_writer && !m_ring->Empty() && !m_drainPosted.exchange(true)) {
        m_host.Post([this] { Drain(); });
    }
}

void CLinkTrace::Push(const t_trace_entry& entry) {
    m_ring->Push(entry);
    m_unposted = true;
}

void CLinkTrace::PostDrain() {
    // Whenever the ring holds entries, a turn that writes them is posted or running.
    if (m_unposted) {
        m_unposted = false;
        if (!m_drainPosted.exchange(true)) {
            m_host.Post([this] { Drain(); });
        }
    }
}

void CLinkTrace::FlushDiscarded() {
    if (m_discarded == 0) {
        return;
    }
    t_trace_entry entry;
    entry.atNs = m_discardedAtNs;
    entry.kind = TraceKind::Discarded;
    entry.number = m_discarded;
    m_discarded = 0;
    Push(entry);
}

void CLinkTrace::StampFrame(TraceKind kind, const std::uint8_t* frame, std::size_t count) {
    FlushDiscarded();
    t_trace_entry entry;
    entry.atNs = NowNs();
    entry.kind = kind;
    entry.count = static_cast<std::uint8_t>(std::min(count, sizeof entry.bytes));
    std::memcpy(entry.bytes, frame, entry.count);
    Push(entry);
}

void CLinkTrace::StampSent(const t_transfer_data& record, int written) {
    if (!Stamping()) {
        return;
    }
    FlushDiscarded();
    t_trace_entry entry;
    entry.atNs = NowNs();
    entry.kind = TraceKind::Sent;
    entry.count = static_cast<std::uint8_t>(FrameBytes(record, entry.bytes));
    entry.number = written < 0 ? 0 : static_cast<std::uint32_t>(written);
    Push(entry);
    PostDrain();
}

void CLinkTrace::StampReceived(const std::uint8_t* frame) {
    if (Stamping()) {
        StampFrame(TraceKind::Received, frame, static_cast<std::size_t>(frame[0]) + 1);
    }
}

void CLinkTrace::StampNoise(const std::uint8_t* frame) {
    if (Stamping()) {
        StampFrame(TraceKind::Noise, frame, static_cast<std::size_t>(frame[0]) + 1);
    }
}

void CLinkTrace::StampReceiver(const t_frame_receiver& receiver) {
    if (!Stamping()) {
        return;
    }
    switch (receiver.event) {
    case ReceiverEvent::BadChecksum:
        StampFrame(TraceKind::BadChecksum, receiver.buffer, receiver.count);
        break;
    case ReceiverEvent::Overlong: {
        FlushDiscarded();
        t_trace_entry entry;
        entry.atNs = NowNs();
        entry.kind = TraceKind::Overlong;
        Push(entry);
        break;
    }
    case ReceiverEvent::Discarded:
        if (m_discarded == 0) {
            m_discardedAtNs = NowNs();
        }
        m_discarded += receiver.discarded;
        break;
    case ReceiverEvent::None:
    case ReceiverEvent::Frame:
        break;
    }
}

void CLinkTrace::EndOfRead() {
    if (Stamping()) {
        FlushDiscarded();
        // Only now: the host's thread deals with the frames received before it writes them.
        PostDrain();
    }
}
