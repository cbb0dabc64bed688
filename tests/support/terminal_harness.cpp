#include "tests/support/terminal_harness.h"

#include "base/settings_file.h"
#include "res/resource.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

TerminalHarness::TerminalHarness(t_harness_options options)
    : m_options(std::move(options)), m_directory(m_temporary.Path() + "/") {
    afx::testing::SetProgramPathOverride(m_directory + "re2-terminal");
    if (m_options.writeConfig) {
        SettingsRecord settings;
        settings.portNumber = m_options.portNumber;
        settings.baudRate = m_options.baudRate;
        settings.deviceAddress = m_options.deviceAddress;
        WriteSettingsFile(m_directory + "config.cfg", settings);
    }
    t_pty_options sim = m_options.sim;
    sim.linkDirectory = m_directory;
    if (sim.comPort == 0) {
        sim.comPort = 1;
    }
    m_sim = std::make_unique<PtySimulator>(sim);
    if (m_options.startSimulator && !m_sim->Start()) {
        throw std::runtime_error("simulator did not start");
    }
    afx::testing::SetMessageBoxAnswerer([this](const std::string& text, UINT type) {
        m_boxes.push_back({text, type});
        if (!m_answers.empty()) {
            int answer = m_answers.front();
            m_answers.pop_front();
            return answer;
        }
        return (type & 0x0F) == MB_YESNO ? IDYES : IDOK;
    });
}

TerminalHarness::~TerminalHarness() {
    afx::testing::SetMessageBoxAnswerer(nullptr);
    afx::testing::SetFileDialogAnswerer(nullptr);
    afx::testing::ClearModalHooks();
    afx::testing::SetProgramPathOverride("");
    m_sim->Stop();
}

INT_PTR TerminalHarness::Run(const std::function<void(CLWDlg&)>& body) {
    auto dlg = std::make_unique<CLWDlg>();
    afx::testing::AddModalHook(IDD_LW_DIALOG, [&body](CDialog& shown) {
        auto& main = static_cast<CLWDlg&>(shown);
        body(main);
        if (main.IsModalLoopRunning()) {
            afx::testing::PressEscape(main);
        }
    });
    INT_PTR result = dlg->DoModal();
    dlg.reset();
    return result;
}

std::vector<std::string> TerminalHarness::BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : m_boxes) {
        texts.push_back(box.text);
    }
    return texts;
}

std::string TerminalHarness::ConsoleText(CLWDlg& dlg) {
    return afx::testing::GetControlText(dlg, IDC_CONSOLE);
}

std::vector<std::string> TerminalHarness::ConsoleLines(CLWDlg& dlg) {
    std::vector<std::string> lines;
    std::string text = ConsoleText(dlg);
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
}

bool TerminalHarness::WaitForConsoleLine(CLWDlg& dlg, const std::string& line, int timeoutMs) {
    return afx::testing::WaitUntil(
        [&] {
            auto lines = ConsoleLines(dlg);
            return std::find(lines.begin(), lines.end(), line) != lines.end();
        },
        timeoutMs);
}

bool TerminalHarness::Connect(CLWDlg& dlg, int timeoutMs) {
    afx::testing::ClickButton(dlg, IDC_CONNECT);
    if (!WaitForConsoleLine(dlg, "Połączono", timeoutMs)) {
        return false;
    }
    return m_sim->WaitForRequests(1, std::chrono::milliseconds(timeoutMs));
}

bool TerminalHarness::Disconnect(CLWDlg& dlg, int timeoutMs) {
    afx::testing::ClickButton(dlg, IDC_DISCONNECT);
    return afx::testing::WaitUntil([&] { return afx::testing::IsEnabled(dlg, IDC_CONNECT); },
                                   timeoutMs);
}

std::vector<t_transfer_data> TerminalHarness::RequestsOf(std::uint8_t command) {
    std::vector<t_transfer_data> found;
    for (const auto& request : m_sim->Log()) {
        if (request.addressed && request.record.command == command) {
            found.push_back(request.record);
        }
    }
    return found;
}

int CountLines(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}
