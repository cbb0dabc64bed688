#include "sim/fault_plan.h"

#include <algorithm>

t_fault_hits FaultPlan::Match(int command) {
    t_fault_hits hits;
    for (t_fault_rule& rule : m_rules) {
        if (rule.command != kAnyCommand && rule.command != command) {
            continue;
        }
        ++rule.seen;
        if (rule.nth != 0 ? rule.seen != rule.nth : rule.seen <= rule.skip) {
            continue;
        }
        switch (rule.fault) {
        case SimFault::DropReply:
            hits.drop = true;
            break;
        case SimFault::CorruptChecksum:
            hits.corrupt = true;
            break;
        case SimFault::StrayColon:
            hits.strayColon = true;
            break;
        case SimFault::FlipCharacter:
            hits.flip = true;
            break;
        case SimFault::TextBeforeReply:
            hits.texts.push_back(rule.text);
            break;
        case SimFault::MoreReplies:
            hits.moreReplies += rule.count;
            break;
        case SimFault::RejectWrite:
            hits.reject = true;
            break;
        case SimFault::ShortReply:
            hits.shortReply = static_cast<int>(rule.count);
            break;
        case SimFault::ReplaceReply:
            hits.replace = true;
            hits.replacement = rule.text;
            break;
        case SimFault::FallSilent:
            hits.silence = true;
            break;
        case SimFault::CutLine:
            hits.cut = true;
            break;
        case SimFault::SilentFor:
            hits.silentForMs = std::max<std::int64_t>(hits.silentForMs, rule.ms);
            break;
        case SimFault::DelayReply:
            hits.delayMs += rule.ms;
            break;
        }
    }
    std::erase_if(m_rules, [](const t_fault_rule& r) { return r.nth != 0 && r.seen >= r.nth; });
    return hits;
}
