#pragma once
// The simulated device served on a pseudo-terminal, on a thread of its own.
//
// The terminal opens SlavePath() (or the COM<n> link to it) as its serial port. The server
// answers as soon as a request is complete; with a baud rate it sends at that line speed,
// and optionally takes requests at it too. When the terminal closes the port the server
// waits for it to open it again. Every call is thread-safe; the device itself is reached
// through WithDevice.

#include "sim/device_simulator.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct t_pty_options {
    std::uint32_t seed = 1;    // recorder content and random faults
    int baud = 0;              // replies at this line speed; 0: at once
    bool paceInput = false;    // requests taken at the line speed too
    std::string linkDirectory; // with comPort: linkDirectory/COM<comPort> links to the slave
    int comPort = 0;
};

class PtySimulator {
public:
    explicit PtySimulator(const t_pty_options& options = {});
    ~PtySimulator();
    PtySimulator(const PtySimulator&) = delete;
    PtySimulator& operator=(const PtySimulator&) = delete;

    // Opens a pseudo-terminal (a new one after CutLink), makes the link and starts serving.
    // False when the pseudo-terminal or the link cannot be made.
    bool Start();
    // Ends serving, closes the pseudo-terminal and removes the link.
    void Stop();
    // Closes the simulator's side as a cut cable would: the terminal's port sees a hang-up.
    // The link stays; Start() serves again on a new pseudo-terminal and moves the link.
    // A CutLine fault rule does the same from the serving thread, at the request it names,
    // so that a test decides where a transfer is cut rather than when its own thread runs.
    void CutLink();
    // Serving: started and neither stopped, nor cut by CutLink or a CutLine rule.
    bool Running() const { return m_serving; }

    std::string SlavePath() const;
    std::string LinkPath() const; // empty without a link

    // Runs f with the device under the lock and gives its result; whatever the device has
    // to send afterwards (a text line, say) goes out at once.
    template <class F> decltype(auto) WithDevice(F&& f) {
        std::lock_guard<std::mutex> lock(m_mutex);
        struct WakeAfter {
            PtySimulator* self;
            ~WakeAfter() { self->Wake(); }
        } wake{this};
        return f(m_device);
    }

    // Shortcuts for the common checks.
    std::uint64_t RequestCount();
    std::uint64_t CommandCount(std::uint8_t command);
    std::vector<t_sim_request> Log();
    // Waits until the device has received at least `count` addressed requests in all.
    bool WaitForRequests(std::uint64_t count, std::chrono::milliseconds timeout);

    // As an unplugged cable: characters from the terminal are lost and nothing is sent.
    void SetLineDown(bool down) { m_lineDown = down; }
    // Line speed of replies (0: at once) and whether requests are taken at it too.
    void SetPacing(int baud, bool paceInput);

    // Characters read from the terminal (also while the line is down) and characters
    // written to it, since the simulator was made.
    std::uint64_t CharactersReceived() const { return m_charactersReceived; }
    std::uint64_t CharactersSent() const { return m_charactersSent; }
    // Grows each time the server finds the terminal's side closed (at least once a close).
    std::uint64_t HangUpsMet() const { return m_hangUpsMet; }

private:
    bool OpenPty();
    void ClosePty();
    bool MakeLink();
    void RemoveLink();
    // The serving thread: waits for the port, the pacers and the wake-up pipe, passes what
    // came to the device and writes its replies, until stopped or the device cuts the line.
    struct t_serving;
    void Serve();
    // Waits until something is due on the line; false when the wait itself failed.
    bool WaitForLine(t_serving& line);
    // Takes what the terminal sent; a port closed at its end is hung up.
    void ReadFromPort(t_serving& line);
    // Hands the paced requests to the device and paces its replies; false when the device
    // cut the line, which ends the serving.
    bool PassThroughDevice(t_serving& line);
    // Writes the replies that fell due, as far as the port takes them.
    void WriteToPort(t_serving& line);
    // The terminal closed its end: replies not yet sent are dropped, and the port is
    // watched again after a pause.
    void HangUp(t_serving& line);
    void Wake();

    t_pty_options m_options;
    mutable std::mutex m_mutex; // the device and the paths
    std::condition_variable m_changed;
    DeviceSimulator m_device;
    std::string m_slavePath;
    std::string m_linkPath;

    int m_master = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_serving{false};
    std::atomic<bool> m_lineDown{false};
    std::atomic<int> m_baud{0};
    std::atomic<bool> m_paceInput{false};
    std::atomic<std::uint64_t> m_charactersReceived{0};
    std::atomic<std::uint64_t> m_charactersSent{0};
    std::atomic<std::uint64_t> m_hangUpsMet{0};
};
