// The link worker: opens the port, sends queued frames, decodes what arrives and hands
// every frame and every change of the link's state to the UI thread.
//
// It sleeps in poll() on the port and on the wake-up descriptor, so an idle link costs no
// CPU and a queued frame or the stop flag is seen at once.

#include "link/com_port.h"
#include "link/frame_codec.h"
#include "link/link_host.h"
#include "link/transfer_context.h"
#include "res/resource.h"

#include <atomic>
#include <cerrno>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// Poll timeout while the port reports a hang-up or an error: long enough not to spin,
// short enough to see the stop flag at once.
constexpr int kHangUpBackOffMs = 15;
// Read buffer: the driver queue size of the original port setup.
constexpr std::size_t kReadChunk = 10000;

bool IsStatusCode(std::uint8_t command) {
    return command == protocol::kLinkStopped || command == protocol::kLinkConnected ||
           command == protocol::kLinkOpening;
}

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

bool TransferContext::PostToWindow(const t_link_item& item) {
    if (runningFlag == 0) {
        return false;
    }
    {
        std::lock_guard<std::mutex> guard(lock);
        inbound.push_back(item);
    }
    host->PostCommand(ID_LINK_DATA);
    return true;
}

void TransferContext::PostStatus(std::uint8_t code) {
    t_link_item item;
    item.record.command = code;
    item.status = true;
    PostToWindow(item);
}

void TransferThread(TransferContext* context) {
    CComPort port;
    t_frame_receiver receiver;
    ReceiverInit(receiver, context->frameBuffer);

    context->PostStatus(protocol::kLinkOpening);
    if (context->wakeFd < 0) {
        // Without its wake-up descriptor the worker could never be stopped; the reason was
        // recorded when the connection started.
        context->exitCode = 2;
        context->PostStatus(protocol::kLinkStopped);
        return;
    }
    if (!port.Open(context->portNumber, context->baudRate)) {
        context->failure = port.Failure();
        context->exitCode = 2;
        context->PostStatus(protocol::kLinkStopped);
        return;
    }
    context->notice = port.Notice();
    context->PostStatus(protocol::kLinkConnected);

    std::uint8_t readBuffer[kReadChunk];
    bool backingOff = false;
    while (context->stopFlag == 0) {
        ++context->wakeups;

        t_transfer_data out;
        if (context->GetToSend(out)) {
            SendFrame(out, port);
        }

        pollfd fds[2] = {{context->wakeFd, POLLIN, 0}, {port.Descriptor(), POLLIN, 0}};
        // After a hang-up the port is left out for one short wait; then it is looked at
        // again, so that a port that comes back to life is read again.
        const nfds_t count = backingOff ? 1 : 2;
        int timeout = -1;
        if (context->HasToSend()) {
            timeout = 0;
        } else if (backingOff) {
            timeout = kHangUpBackOffMs;
        }
        const int ready = ::poll(fds, count, timeout);
        backingOff = false;
        if (ready < 0) {
            continue; // EINTR; the flags are looked at again
        }
        if (fds[0].revents & POLLIN) {
            DrainWakeFd(context->wakeFd);
        }
        if (count < 2 || fds[1].revents == 0) {
            continue;
        }
        int got = 0;
        if (fds[1].revents & POLLIN) {
            got = port.ReadSome(readBuffer, sizeof readBuffer);
            for (int i = 0; i < got; ++i) {
                if (!ReceiverPutChar(receiver, static_cast<char>(readBuffer[i]))) {
                    CountEvent(*context, receiver);
                    continue;
                }
                t_link_item item;
                // A frame too short for its header, or one carrying the link's own codes
                // (which the device never uses), is noise that passed the checksum.
                if (!FrameToRecord(context->frameBuffer, item.record) ||
                    IsStatusCode(item.record.command)) {
                    context->discarded += FrameCharacters(context->frameBuffer);
                    continue;
                }
                ++context->frames;
                context->PostToWindow(item);
            }
        }
        if (got == 0 && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
            backingOff = true;
        }
    }

    port.Close();
    context->exitCode = 0;
    context->PostStatus(protocol::kLinkStopped);
}
