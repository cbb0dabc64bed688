#pragma once
// What the link needs of the window that hosts it, and no more: the console, one-shot
// timers, posting a command to the host's window, the connection settings, the folder of
// the "COMn" links, and being told that the link came up or went down. The main window
// implements it; tests use a small fake.

#include "link/port_failure.h"
#include "link/reply_handler.h"

#include <string>

class CCmdTarget;

// The connection settings the link reads when "Połącz" is pressed.
struct t_link_settings {
    int portNumber = 0;
    int baudRate = 0;
    int deviceAddress = 0;
};

// How a connection ended. exitCode is the worker's: 0 stopped on request, 2 the port
// could not be opened (failure then says why).
struct t_link_end {
    int exitCode = 0;
    t_port_failure failure;
};

class CLinkHost {
public:
    virtual ~CLinkHost() = default;

    // Appends a console line (newLine != 0 starts a new line first).
    virtual void ConsoleWrite(const std::string& text, int newLine) = 0;
    // One-shot call of context->callback(arg) after delayMs; cancelling takes every armed
    // call that matches all three.
    virtual void AddTimer(CCmdTarget* context, TimerCallback callback, int delayMs, int arg) = 0;
    virtual void RemoveTimers(CCmdTarget* context, TimerCallback callback, int arg) = 0;
    // Queues command id for the host's window; the host offers it to the link objects
    // later, on the UI thread. The one member any thread may call.
    virtual void PostCommand(unsigned id) = 0;

    virtual t_link_settings LinkSettings() const = 0;
    // Folder (ending in '/') where "COMn" links are looked up; empty for none.
    virtual std::string LinkDirectory() const = 0;

    // "Połącz" was pressed: the link is about to start.
    virtual void OnLinkStarting() = 0;
    // The port is open: the device's operations may start.
    virtual void OnLinkUp() = 0;
    // The link is down, by request or because the port failed.
    virtual void OnLinkDown(const t_link_end& end) = 0;
    // Only the operations that need no link stay usable.
    virtual void DisableDeviceButtons() = 0;
};
