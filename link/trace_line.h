#pragma once
// The text lines of the link trace, one for each thing seen. Pure: values in, text out.
//
//        12.345 -> :03F921E3  adres 31 typ 1 komenda 33 dane 0 B
//        15.002 <- :08F9210501...  adres 31 typ 1 komenda 33 dane 5 B
//      1530.100 <! zła suma kontrolna: :08F92105...
//      1530.200 -- limit czasu: brak odpowiedzi na komendę 40 w 30 ms
//
// The time is in ms from the start of the trace; the marks say which way it went: "->" to
// the device, "<-" from it, "<!" from it and thrown away by the receiver, "--" what the link
// made of it (time-outs, retries, frames the queue turned away, connect and disconnect, and
// entries lost to a writer that fell behind).

#include "link/trace_entry.h"

#include <cstdint>
#include <string>

// One line, without its line end, for an entry the worker stamped; startNs is the trace's
// start on the same clock.
std::string TraceEntryLine(const t_trace_entry& entry, std::int64_t startNs);
// One line for a note of the link: "<time> -- <text>".
std::string TraceNoteLine(std::int64_t atNs, std::int64_t startNs, const std::string& text);
