#pragma once
// CShellSession: what re2-device's commands need of their session beyond the device
// session every operation is written against: the shell's own progress line, the answer
// given on the command line beforehand, and telling a command cut by a termination signal
// from one the device failed.

#include <cstdint>
#include <functional>
#include <string>

class CShellSession {
public:
    // Progress of a block transfer: bytes done of the total. Called after every chunk.
    using ProgressFunction = std::function<void(std::uint32_t done, std::uint32_t total)>;

    virtual ~CShellSession() = default;

    // True once a termination signal came: the call under way failed because of it, and
    // nothing more is said to the user.
    virtual bool Interrupted() const = 0;
    // While held, the first termination signal lets the work under way go on (SignalHeld
    // tells that it came); a second one interrupts as any signal does.
    virtual void HoldSignals(bool hold) = 0;
    virtual bool SignalHeld() const = 0;
    // Shown after every chunk of the block transfers from now on; empty for none.
    virtual void SetProgress(ProgressFunction progress) = 0;
    // Runs the link for ms (timers and replies go on meanwhile); false when a termination
    // signal came or the link went down.
    virtual bool Pause(int ms) = 0;
    // The answer every question of the device session gets from now on.
    virtual void SetAnswer(bool yes) = 0;
    // What the port's open had to tell (a stale lock file left in place); empty for nothing.
    virtual std::string PortNotice() const = 0;
};
