#pragma once
// CLinkTrace: the trace of the line for support, one text line for every frame sent and
// received and for everything the link made of the line (see link/trace_line.h for the
// lines).
//
// The link worker only stamps what it saw and hands it over through a bounded ring
// (link/trace_ring.h): it never waits for the writing, and when the writing falls behind
// the ring drops entries and the trace says how many. The writing runs on the host's
// thread, in posted turns of at most kBatch entries, and so do the notes of the host's
// side (time-outs, retries, frames the queue turned away, connect and disconnect); a note
// first writes what the worker stamped before it, so the lines keep their order.
//
// The worker's Stamp calls do nothing while no trace runs. A writer that fails ends the
// trace; the owner is told why.

#include "link/block_transfer.h"
#include "link/frame_codec.h"
#include "link/link_event.h"
#include "link/trace_ring.h"
#include "link/trace_writer.h"
#include "link/transfer_data.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CLinkHost;

class CLinkTrace {
public:
    // Room for what the worker sees in some seconds of a busy line.
    static constexpr std::size_t kDefaultCapacity = 4096;
    // Entries written in one turn of the host's thread.
    static constexpr std::size_t kBatch = 512;

    using FailureFunction = std::function<void(const std::string& reason)>;

    // The writing is posted through host; capacity entries fit between two turns of it.
    explicit CLinkTrace(CLinkHost& host, std::size_t capacity = kDefaultCapacity);
    CLinkTrace(const CLinkTrace&) = delete;
    CLinkTrace& operator=(const CLinkTrace&) = delete;

    // ---- The host's thread ----
    // Starts a trace into writer, headed by a line naming program and the start's local
    // time (a trace running already is ended first). onFailure is called once when the
    // writer fails, after the trace has ended.
    void Start(std::unique_ptr<CTraceWriter> writer, const std::string& program,
               FailureFunction onFailure = {});
    // Writes what is left and a last line, and closes the writer. Nothing when none runs.
    void Stop();
    bool IsOn() const { return m_writer != nullptr; }

    // A line of the host's side, as it is.
    void Note(const std::string& text);
    void Connecting(const std::string& portName, const std::string& devicePath, int baudRate);
    void Connected();
    // How the connection ended: on request, or why the port failed.
    void Disconnected(const t_link_end& end, const std::string& portName, int baudRate);
    // The request on the line got no reply within waitMs.
    void TimedOut(const t_transfer_data& request, int waitMs);
    // A read chunk asked again; tryNumber counts the first try as 1.
    void Retried(const t_block_request& request, int tryNumber);
    // The queue turned away the frame received last, for reason.
    void Dropped(const std::string& reason);

    // ---- The worker's thread ----
    // A frame written to the port, which took `written` characters of it.
    void StampSent(const t_transfer_data& record, int written);
    // A frame with a correct checksum in the frame buffer: handed on, or (noise) thrown away
    // as too short for its header or carrying a reserved command.
    void StampReceived(const std::uint8_t* frame);
    void StampNoise(const std::uint8_t* frame);
    // What the receiver's last character ended when it completed no frame: a bad checksum
    // and an overlong frame get an entry each; discarded characters are added up until the
    // next entry or EndOfRead.
    void StampReceiver(const t_frame_receiver& receiver);
    // What one read of the port gave has been fed to the receiver, and its frames handed
    // on: the entries of the read are to be written now.
    void EndOfRead();

private:
    bool Stamping() const { return m_on.load(std::memory_order_acquire); }
    void StampFrame(TraceKind kind, const std::uint8_t* frame, std::size_t count);
    void Push(const t_trace_entry& entry);
    // Posts a turn that writes what was pushed since the last one, unless one is pending.
    void PostDrain();
    void FlushDiscarded();
    // Host's side.
    void Drain();
    // Appends the lines of up to limit stamped entries to text.
    void TakeEntries(std::string& text, std::size_t limit);
    // A line for now, after what the worker stamped before.
    void WriteNote(const std::string& text);
    void Write(const std::string& text);

    CLinkHost& m_host;
    std::size_t m_capacity;
    // Made by the first Start, before stamping is switched on; kept until the end.
    std::unique_ptr<CTraceRing> m_ring;
    std::atomic<bool> m_on{false};
    std::atomic<bool> m_drainPosted{false};
    // Host's thread only.
    std::unique_ptr<CTraceWriter> m_writer;
    FailureFunction m_onFailure;
    std::int64_t m_startNs = 0;
    // Worker's thread only: discarded characters not yet stamped, and when the first came;
    // whether entries were pushed since the last PostDrain.
    std::uint32_t m_discarded = 0;
    std::int64_t m_discardedAtNs = 0;
    bool m_unposted = false;
};
