#pragma once
// What goes wrong on the simulated device's side, set by tests at any time.
//
// A rule names a fault, the requests it hits (one command or any) and whether it hits
// every such request (after the first few, if it says so) or only the n-th one received
// after the rule was added; a rule for the n-th request is spent once it has fired.

#include <cstdint>
#include <string>
#include <vector>

enum class SimFault {
    DropReply,       // no reply at all; the request still takes effect
    CorruptChecksum, // the reply's checksum is off by one
    StrayColon,      // a ':' inside the reply frame, so that it is abandoned
    FlipCharacter,   // one digit of the reply frame is changed
    TextBeforeReply, // a console text line (the rule's text) goes out before the reply
    MoreReplies,     // the rule's count of type-2 replies go out before the final reply
    RejectWrite,     // a write chunk is not written and is answered with 0
    ShortReply,      // the reply keeps only the rule's count of data bytes
    ReplaceReply,    // the reply carries the rule's text as its data (at most 62 bytes)
    // The line goes away at the request, which still takes effect but gets no reply:
    FallSilent, // nothing is answered from then on, until SetSilent(false) or ClearFaults
    CutLine,    // the host closes its side of the line as a cut cable would (TakeLineCut)
    // Timed by the rule's ms:
    SilentFor,  // nothing is answered for ms from the request on (a later hit may prolong it)
    DelayReply, // the reply goes out ms later; later replies queue behind it on the line
};

constexpr int kAnyCommand = -1;

struct t_fault_rule {
    SimFault fault = SimFault::DropReply;
    int command = kAnyCommand;
    unsigned nth = 0;   // 0: every matching request; n: only the n-th one from now on
    unsigned skip = 0;  // with nth 0: the first `skip` matching requests are spared
    unsigned count = 1; // MoreReplies: how many type-2 replies; ShortReply: data bytes kept
    std::string text;   // TextBeforeReply: Windows-1250 bytes; ReplaceReply: the data
    unsigned ms = 0;    // SilentFor, DelayReply: milliseconds
    unsigned seen = 0;  // matching requests met so far
};

inline t_fault_rule FaultRule(SimFault fault, int command = kAnyCommand, unsigned nth = 0) {
    t_fault_rule rule;
    rule.fault = fault;
    rule.command = command;
    rule.nth = nth;
    return rule;
}

inline t_fault_rule TimedFaultRule(SimFault fault, unsigned ms, int command = kAnyCommand,
                                   unsigned nth = 0) {
    t_fault_rule rule = FaultRule(fault, command, nth);
    rule.ms = ms;
    return rule;
}

// The faults that hit one request.
struct t_fault_hits {
    bool drop = false;
    bool corrupt = false;
    bool strayColon = false;
    bool flip = false;
    bool reject = false;
    unsigned moreReplies = 0;
    int shortReply = -1; // data bytes the reply keeps; -1: all
    bool replace = false;
    bool silence = false;
    bool cut = false;
    std::int64_t silentForMs = -1; // a silence starts now for this long; -1: none
    std::int64_t delayMs = 0;      // the reply goes out this much later than it would
    std::string replacement;       // with replace: the reply's data
    std::vector<std::string> texts;
};

class FaultPlan {
public:
    void Add(const t_fault_rule& rule) { m_rules.push_back(rule); }
    void Clear() { m_rules.clear(); }
    std::size_t RuleCount() const { return m_rules.size(); }
    // The faults that hit a request of this command; counts it for every rule it matches.
    t_fault_hits Match(int command);

private:
    std::vector<t_fault_rule> m_rules;
};
