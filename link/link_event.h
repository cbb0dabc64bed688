#pragma once
// What the link worker tells the host's thread, one tagged event at a time, in the order it
// happened: the port is being opened, it is open, a device frame arrived, the worker has
// stopped (and why). The worker's own notices never travel as frames, so nothing the
// device sends can pass for one.

#include "link/port_failure.h"
#include "link/transfer_data.h"

// How a connection ended. exitCode is the worker's: 0 stopped on request, 2 the port
// could not be opened (failure then says why), 3 the port went away and was not back
// within the wait (failure.step PortStep::Gone).
struct t_link_end {
    int exitCode = 0;
    t_port_failure failure;
};

enum class LinkEventKind {
    Opening,   // the worker runs and opens the port
    Connected, // the port is open
    Frame,     // frame holds a decoded device frame
    PortLost,  // the open port went away (unplugged, hung up); the worker waits for it
    PortBack,  // the port is open again, with the same settings
    Stopped,   // the worker has ended; end says how
};

struct t_link_event {
    LinkEventKind kind = LinkEventKind::Frame;
    t_transfer_data frame;  // with Frame
    t_port_notice notice;   // with Connected and PortBack: what to know of the open port
    std::string devicePath; // with PortLost and PortBack: the device node, fully resolved
    t_link_end end;         // with Stopped
};
