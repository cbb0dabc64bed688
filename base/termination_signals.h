#pragma once
// The signals that end the program from outside: SIGHUP (the session or the terminal that
// started it went away), SIGINT (Ctrl+C) and SIGTERM (kill, logging out). They are blocked
// in every thread and read from a descriptor by the thread that runs the event loop, so
// that the program can release what it holds before it ends; no work is done inside a
// signal handler.

#include <csignal>

namespace termination_signals {

// SIGHUP, SIGINT and SIGTERM.
sigset_t Set();

// Blocks the three in the calling thread, except one the program was started ignoring (as
// nohup does with SIGHUP), which stays ignored. Threads inherit the mask of the thread that
// starts them, so main calls this before anything starts a thread. A signal sent to the
// process then waits until it is read from OpenDescriptor's descriptor.
void Block();

// Unblocks the three in the calling thread: for a program that cannot watch them.
void Unblock();

// A non-blocking, close-on-exec signalfd of the three; readable while one waits (also one
// sent before it was opened). -1 with errno on failure.
int OpenDescriptor();

// The next waiting signal read from the descriptor, 0 when none waits.
int Take(int descriptor);

// Restores the default action of `signal`, raises it and unblocks it in the calling thread,
// so that the process ends by it and its parent sees which signal ended it. Returns only
// when the default action does not end the process.
void EndBy(int signal);

} // namespace termination_signals
