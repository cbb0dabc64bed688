#pragma once
// What the link and the request queue need of the program that hosts them, and no more:
// the console, one-shot timers and work run on the host's thread, the connection settings,
// the folder of the "COMn" links, and being told that the link starts, came up or went
// down. The main window implements it over its timers and posted messages; a program
// without a window can implement it with a poll() loop (an eventfd for posted work, the
// nearest timer as poll's time-out). Tests use a small fake.
//
// The host runs timers and posted work only on its own thread, one at a time, and drops
// whatever is still armed or posted when it tears the link down.

#include "base/steady_time.h"
#include "link/link_event.h"

#include <cstdint>
#include <functional>
#include <string>

// The connection settings the link reads when "Połącz" is pressed.
struct t_link_settings {
    int portNumber = 0;   // "COMn"; 0 where portPath names the device
    std::string portPath; // a device named by its path, as it is; empty for "COMn"
    int baudRate = 0;
    int deviceAddress = 0;
    // How the console names the port: "COM3", or the path.
    std::string PortName() const {
        return portPath.empty() ? "COM" + std::to_string(portNumber) : portPath;
    }
};

// Names one armed timer; 0 names none.
using HostTimerId = std::uint32_t;

class CLinkHost {
public:
    virtual ~CLinkHost() = default;

    // Appends a console line (newLine != 0 starts a new line first).
    virtual void ConsoleWrite(const std::string& text, int newLine) = 0;
    // Calls callback once, on the host's thread, delayMs (0 or more) from now. Gives the
    // timer's id, never one given before; 0 when the host cannot arm it (it never runs).
    virtual HostTimerId StartTimer(int delayMs, std::function<void()> callback) = 0;
    // Disarms the timer; an id that already ran, was cancelled or is 0 is ignored.
    virtual void CancelTimer(HostTimerId id) = 0;
    // The clock the timers run by, in ms (a steady clock: a change of the wall clock never
    // moves it). How long a block transfer has tried one chunk is measured by it.
    virtual std::int64_t NowMs() const { return SteadyMs(); }
    // Runs work later on the host's thread, after the work posted before it. The one member
    // any thread may call.
    virtual void Post(std::function<void()> work) = 0;

    virtual t_link_settings LinkSettings() const = 0;
    // Folder (ending in '/') where "COMn" links are looked up; empty for none.
    virtual std::string LinkDirectory() const = 0;

    // "Połącz" was pressed: the link is about to start.
    virtual void OnLinkStarting() = 0;
    // The port is open: the device's operations may start.
    virtual void OnLinkUp() = 0;
    // The link is down, by request or because the port failed.
    virtual void OnLinkDown(const t_link_end& end) = 0;
    // The open port went away (the link stays up and waits for it): nothing sent now
    // reaches the device. OnPortBack: it is open again with the same settings. devicePath:
    // the node the port led to. A host that does nothing meanwhile sees its requests end by
    // their time-outs.
    virtual void OnPortLost(const std::string& /*devicePath*/) {}
    virtual void OnPortBack(const std::string& /*devicePath*/) {}
};
