// The link worker: opens the port, sends queued frames, decodes what arrives and hands
// every frame and every change of the link's state to the host's thread.
//
// It sleeps in the port's Wait on the port and on the wake-up descriptor, so an idle link
// costs no CPU and a queued frame or the stop flag is seen at once.

#include "link/com_port.h"
#include "link/frame_codec.h"
#include "link/link_host.h"
#include "link/link_trace.h"
#include "link/transfer.h"
#include "link/transfer_context.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// Read buffer: the driver queue size of the original port setup.
constexpr std::size_t kReadChunk = 10000;

void DrainWakeFd(int fd) {
    std::uint64_t value = 0;
    while (::read(fd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

std::atomic<EventFdFunction> g_eventFd{nullptr};

// Counts what the receiver's last character ended.
void CountEvent(TransferContext& context, const t_frame_receiver& receiver) {
    switch (receiver.event) {
    case ReceiverEvent::BadChecksum:
        ++context.badChecksums;
        break;
    case ReceiverEvent::Overlong:
        ++context.overlong;
        break;
    case ReceiverEvent::Discarded:
        context.discarded += receiver.discarded;
        break;
    default:
        break;
    }
}

// Encodes the record and writes it with one port write; gives what the port took. A short
// write is not acted on: the request then ends by its reply time-out.
int WriteFrame(const t_transfer_data& record, CSerialPort& port) {
    std::uint8_t frame[protocol::kMaxEncodedFrame];
    const std::size_t count = EncodeFrame(record, frame);
    return port.Write(frame, count);
}

t_link_event EventOf(LinkEventKind kind) {
    t_link_event event;
    event.kind = kind;
    return event;
}

t_link_event StoppedEvent(int exitCode, const t_port_failure& failure) {
    t_link_event event = EventOf(LinkEventKind::Stopped);
    event.end.exitCode = exitCode;
    event.end.failure = failure;
    return event;
}

// Characters of a complete frame: ':' and two digits a byte, L and checksum included.
std::uint32_t FrameCharacters(const std::uint8_t* frame) {
    return 1 + 2 * (static_cast<std::uint32_t>(frame[0]) + 1);
}

} // namespace

void SetEventFdFunctionForTest(EventFdFunction function) {
    g_eventFd = function;
}

TransferContext::TransferContext() = default;

int TransferContext::EnsureWakeFd() {
    if (wakeFd >= 0) {
        return 0;
    }
    const EventFdFunction make = g_eventFd.load();
    wakeFd = make != nullptr ? make(0, EFD_NONBLOCK | EFD_CLOEXEC)
                             : ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    return wakeFd >= 0 ? 0 : (errno != 0 ? errno : EMFILE);
}

void TransferContext::ResetCounters() {
    frames = 0;
    badChecksums = 0;
    overlong = 0;
    discarded = 0;
    lastCharacterNs = 0;
}

t_line_counters TransferContext::Counters() const {
    t_line_counters counters;
    counters.frames = frames;
    counters.badChecksums = badChecksums;
    counters.overlong = overlong;
    counters.discarded = discarded;
    return counters;
}

TransferContext::~TransferContext() {
    if (thread.joinable()) {
        stopFlag = 1;
        Wake();
        thread.join();
    }
    if (wakeFd >= 0) {
        ::close(wakeFd);
    }
}

void TransferContext::Wake() {
    if (wakeFd < 0) {
        return;
    }
    const std::uint64_t one = 1;
    while (::write(wakeFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

bool TransferContext::GetToSend(t_transfer_data& record) {
    std::lock_guard<std::mutex> guard(lock);
    if (outbound.empty()) {
        return false;
    }
    record = outbound.front();
    outbound.pop_front();
    return true;
}

bool TransferContext::HasToSend() {
    std::lock_guard<std::mutex> guard(lock);
    return !outbound.empty();
}

void TransferContext::Emit(const t_link_event& event) {
    if (runningFlag == 0) {
        return;
    }
    host->Post([this, event] { onEvent(event); });
}

namespace {

// Feeds what the port gave to the receiver and posts every frame it completes.
void ReceiveCharacters(TransferContext& context, t_frame_receiver& receiver,
                       const std::uint8_t* characters, int count) {
    for (int i = 0; i < count; ++i) {
        if (!ReceiverPutChar(receiver, static_cast<char>(characters[i]))) {
            CountEvent(context, receiver);
            if (context.trace != nullptr) {
                context.trace->StampReceiver(receiver);
            }
            continue;
        }
        t_link_event event;
        event.kind = LinkEventKind::Frame;
        // A frame too short for its header, or one carrying a reserved code, is noise that
        // passed the checksum.
        if (!FrameToRecord(context.frameBuffer, event.frame) ||
            protocol::IsReservedCommand(event.frame.command)) {
            context.discarded += FrameCharacters(context.frameBuffer);
            if (context.trace != nullptr) {
                context.trace->StampNoise(context.frameBuffer);
            }
            continue;
        }
        ++context.frames;
        // Stamped before the host can act on it, so that its line comes before the host's.
        if (context.trace != nullptr) {
            context.trace->StampReceived(context.frameBuffer);
        }
        context.Emit(event);
    }
    if (context.trace != nullptr) {
        context.trace->EndOfRead();
    }
}
// Forgets what was asked while the port was away: a request sent after the gap would meet
// a device that never saw the ones before it, and a write must never go on after a cut.
void DropOutbound(TransferContext& context) {
    std::lock_guard<std::mutex> guard(context.lock);
    context.outbound.clear();
}

// Waits for the port that went away: looks again every kPortLookMs, the port choice
// resolved anew each time (a COMn link may lead to a new node by now), until it opens with
// the link's settings (true: port holds it, path what it was opened by) or the wait ran out
// or the worker was stopped (false).
bool AwaitPort(TransferContext& context, std::unique_ptr<CSerialPort>& port, std::string& path) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(context.portWaitMs);
    Clock::time_point look = Clock::now() + std::chrono::milliseconds(kPortLookMs);
    pollfd wake{context.wakeFd, POLLIN, 0};
    while (context.stopFlag == 0) {
        DropOutbound(context);
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            return false;
        }
        if (now < look) {
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::min(look, deadline) - now)
                                  .count();
            if (::poll(&wake, 1, static_cast<int>(wait) + 1) > 0) {
                DrainWakeFd(context.wakeFd);
            }
            continue;
        }
        look = now + std::chrono::milliseconds(kPortLookMs);
        path = context.resolvePath ? context.resolvePath() : context.devicePath;
        std::unique_ptr<CSerialPort> next = context.makePort();
        if (next->Open(path, context.baudRate)) {
            DropOutbound(context);
            port = std::move(next);
            return true;
        }
    }
    return false;
}

} // namespace

void TransferThread(TransferContext* context) {
    t_frame_receiver receiver;
    ReceiverInit(receiver, context->frameBuffer);

    context->Emit(EventOf(LinkEventKind::Opening));
    if (context->wakeFd < 0) {
        // Without its wake-up descriptor the worker could never be stopped; the reason was
        // recorded when the connection started.
        context->Emit(StoppedEvent(2, context->wakeFailure));
        return;
    }
    std::unique_ptr<CSerialPort> port = context->makePort();
    if (!port->Open(context->devicePath, context->baudRate)) {
        context->Emit(StoppedEvent(2, port->Failure()));
        return;
    }
    t_link_event connected = EventOf(LinkEventKind::Connected);
    connected.notice = port->Notice();
    context->Emit(connected);

    std::string devicePath = CComPort::ResolvedDevice(context->devicePath);
    std::uint8_t readBuffer[kReadChunk];
    while (context->stopFlag == 0) {
        ++context->wakeups;

        t_transfer_data out;
        if (context->GetToSend(out)) {
            const int written = WriteFrame(out, *port);
            if (context->trace != nullptr) {
                context->trace->StampSent(out, written);
            }
        }

        // Nothing ready also after EINTR: the flags are looked at again.
        const t_port_wait ready = port->Wait(context->wakeFd, true, context->HasToSend() ? 0 : -1);
        if (ready.woken) {
            DrainWakeFd(context->wakeFd);
        }
        int got = 0;
        if (ready.readable) {
            got = port->ReadSome(readBuffer, sizeof readBuffer);
            if (got > 0) {
                context->lastCharacterNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                               std::chrono::steady_clock::now().time_since_epoch())
                                               .count();
            }
            ReceiveCharacters(*context, receiver, readBuffer, got);
        }
        // A hung-up terminal never carries characters again on this descriptor: the
        // adapter was pulled, or the line's other end closed it.
        if (got == 0 && ready.hungUp) {
            port->Close();
            t_link_event lost = EventOf(LinkEventKind::PortLost);
            lost.devicePath = devicePath;
            context->Emit(lost);
            std::string openedBy;
            if (!AwaitPort(*context, port, openedBy)) {
                if (context->stopFlag != 0) {
                    context->Emit(StoppedEvent(0, t_port_failure{}));
                } else {
                    context->Emit(StoppedEvent(3, t_port_failure{PortStep::Gone, 0, devicePath}));
                }
                return;
            }
            ReceiverInit(receiver, context->frameBuffer);
            devicePath = CComPort::ResolvedDevice(openedBy);
            t_link_event back = EventOf(LinkEventKind::PortBack);
            back.devicePath = devicePath;
            back.notice = port->Notice();
            context->Emit(back);
        }
    }

    port->Close();
    context->Emit(StoppedEvent(0, t_port_failure{}));
}
