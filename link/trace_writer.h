#pragma once
// CTraceWriter: where the link trace puts its text, on the host's thread. CTraceFile is the
// one the programs use; tests give one of their own.

#include <string>
#include <string_view>

class CTraceWriter {
public:
    virtual ~CTraceWriter() = default;
    // Appends text made of whole lines. False when it could not be written; the trace then
    // ends, and Failure() says why in the words the user is told.
    virtual bool Write(std::string_view text) = 0;
    virtual std::string Failure() const = 0;
};
