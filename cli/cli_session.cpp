#include "cli/cli_session.h"

#include "link/no_answer_text.h"
#include "link/port_failure_text.h"

#include <cstring>

CCliSession::CCliSession(CPollHost& host, const t_cli_link& link, CCliReport& report)
    : m_host(host), m_link(link), m_report(report), m_image(protocol::kRecorderSize) {
    t_link_settings settings;
    settings.portNumber = link.port.portNumber;
    settings.portPath = link.port.path;
    settings.baudRate = link.baudRate;
    settings.deviceAddress = link.deviceAddress;
    m_host.SetLinkSettings(settings, link.linkDirectory);
    m_host.SetLinkHandlers([this] { m_up = true; },
                           [this](const t_link_end& end) {
                               m_lost = m_up;
                               m_up = false;
                               m_awaitingPort = false;
                               m_down = true;
                               m_end = end;
                           });
    m_host.SetPortHandlers(
        [this](const std::string& devicePath) {
            m_awaitingPort = true;
            Notice(PortLostText(m_link.port.Name(), devicePath));
        },
        [this](const std::string& devicePath) {
            m_awaitingPort = false;
            Notice(PortBackText(m_link.port.Name(), devicePath));
        });
    m_stack = std::make_unique<CLinkStack>(m_host, CliPortMaker(m_notices));
    m_stack->Link().SetPortWaitMs(link.portWaitMs);
}

CCliSession::~CCliSession() {
    // The queue's timers and the link's posted work die with the host's loop; nothing of
    // theirs may run once they are gone.
    m_stack.reset();
}

bool CCliSession::Connect() {
    m_down = false;
    m_stack->Connect();
    if (!m_host.RunUntil([this] { return m_up || m_down; })) {
        return false;
    }
    if (!m_up) {
        TellPortFailure(m_end.failure);
        return false;
    }
    return true;
}

void CCliSession::TellPortFailure(const t_port_failure& failure) {
    if (!Interrupted()) {
        m_report.Error(PortFailureCode(failure),
                       PortFailureTextFor(m_link.port.Name(), m_link.baudRate, failure));
    }
}

void CCliSession::TellLineReport() const {
    const t_line_report report = m_stack->LineReport();
    if (report.counters.Damaged() || report.retries > 0) {
        m_report.Notice(LineCountersText(report.counters, report.retries));
    }
}

void CCliSession::Close() {
    m_stack->Shutdown();
    m_up = false;
}

std::string CCliSession::PortNotice() const {
    return PortNoticeTextFor(m_link.port.Name(), m_notices.Get());
}

void CCliSession::ConsoleWrite(const std::string& text, int /*newLine*/) {
    // A console text holds "\r\n" where the window breaks its lines; each is a notice.
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            end = text.size();
        }
        if (end > start) {
            Notice(text.substr(start, end - start));
        }
        start = end + 2;
    }
}

void CCliSession::Notice(const std::string& text) {
    if (!Interrupted()) {
        m_report.Notice(text);
    }
}

const t_transfer_data* CCliSession::Exchange(int command, const std::uint8_t* data, int length) {
    if (!m_up) {
        return nullptr;
    }
    bool ended = false;
    bool replied = false;
    const std::uint32_t id =
        m_stack->Queue().AddRequest(m_link.deviceAddress, protocol::kTypeReply, command, data,
                                    length, [&](const t_transfer_data* reply) {
                                        ended = true;
                                        if (reply != nullptr) {
                                            m_reply = *reply;
                                            replied = true;
                                        }
                                    });
    if (id == 0) {
        return nullptr;
    }
    // The request ends by its reply or its time-out; a link that went down takes neither.
    if (!m_host.RunUntil([&] { return ended || !m_up; }) || !replied) {
        m_stack->Queue().ClearQueue();
        return nullptr;
    }
    return &m_reply;
}

void CCliSession::SendWithoutReply(int command) {
    if (m_up) {
        m_stack->Queue().AddRequest(m_link.deviceAddress, protocol::kTypeNoReply, command, nullptr,
                                    0, nullptr);
    }
}

bool CCliSession::ReadBlock(int blockId, std::uint8_t* buffer) {
    return ReadWhole(blockId, buffer, true);
}

bool CCliSession::ReadWhole(int blockId, std::uint8_t* buffer, bool told) {
    m_stack->Driver().SetRead(blockId);
    if (!RunTransfer({}, told)) {
        return false;
    }
    std::memcpy(buffer, m_stack->Driver().Transfer().Data(), protocol::BlockSize(blockId));
    return true;
}

bool CCliSession::ReadBlockFrom(int blockId, std::uint32_t held, std::uint8_t* buffer,
                                const ChunkFunction& onChunk) {
    m_portCameBack = false;
    m_stack->Driver().SetReadFrom(blockId, held, buffer);
    return RunTransfer(
        [&](std::uint32_t offset, const std::uint8_t* bytes, std::uint32_t count) {
            std::memcpy(buffer + offset, bytes, count);
            if (onChunk) {
                onChunk(offset, bytes, count);
            }
        },
        true, true);
}

bool CCliSession::ReadChunkList(int blockId, const std::uint8_t* source, CChunkSource& list,
                                std::uint8_t* buffer) {
    m_stack->Driver().SetReadList(blockId, source, list);
    const bool read = RunTransfer({}, true);
    std::memcpy(buffer, m_stack->Driver().Transfer().Data(), protocol::BlockSize(blockId));
    return read;
}

bool CCliSession::ReadBlockQuietly(int blockId, std::uint8_t* buffer) {
    return ReadWhole(blockId, buffer, false);
}

bool CCliSession::WriteBlock(int blockId, const std::uint8_t* bytes) {
    m_stack->Driver().SetWrite(blockId, bytes);
    return RunTransfer({}, true);
}

bool CCliSession::RunTransfer(const ChunkFunction& onChunk, bool told, bool resumable) {
    if (!m_up) {
        if (told) {
            ShowMessage(kNoAnswerText, MessageIcon::None);
        }
        return false;
    }
    const CBlockTransfer& walk = m_stack->Driver().Transfer();
    m_transferEnded = false;
    std::uint32_t reported = walk.Done();
    const auto report = [&] {
        const std::uint32_t done = walk.Done();
        if (done == reported) {
            return;
        }
        if (onChunk) {
            onChunk(reported, walk.Data() + reported, done - reported);
        }
        reported = done;
        if (m_progress) {
            m_progress(done, walk.Total());
        }
    };
    m_stack->Driver().Start(m_link.deviceAddress, nullptr, [this] { m_transferEnded = true; });
    bool ran = m_host.RunUntil([&] {
        report();
        return m_transferEnded || !m_up || (resumable && m_awaitingPort);
    });
    report();
    if (ran && walk.GetState() == CBlockTransfer::State::Complete) {
        return true;
    }
    m_stack->Driver().Abort();
    m_stack->Queue().ClearQueue();
    if (ran && resumable && m_awaitingPort) {
        ran = m_host.RunUntil([this] { return !m_awaitingPort || !m_up; });
        m_portCameBack = ran && m_up;
        if (m_portCameBack) {
            return false;
        }
        if (ran && told) {
            TellPortFailure(m_end.failure);
        }
        return false;
    }
    if (!ran || !told) {
        return false;
    }
    const char* reason = walk.FailureText();
    ShowMessage(*reason != '\0' ? reason : kNoAnswerText, MessageIcon::None);
    return false;
}

bool CCliSession::Pause(int ms) {
    bool over = false;
    const HostTimerId timer = m_host.StartTimer(ms, [&over] { over = true; });
    const bool ran = m_host.RunUntil([&] { return over || !m_up; });
    if (!over) {
        m_host.CancelTimer(timer);
    }
    return ran && m_up;
}

bool CCliSession::AskYesNo(const std::string& /*question*/) {
    return m_answer;
}

void CCliSession::ShowMessage(const std::string& text, MessageIcon /*icon*/) {
    if (!Interrupted()) {
        m_report.Error(text == kNoAnswerText ? cli_error::kNoAnswer : cli_error::kDevice,
                       m_link.port.Name() + ": " + text);
    }
}
