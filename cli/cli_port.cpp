#include "cli/cli_port.h"

#include "base/text_format.h"
#include "link/com_port.h"

#include <cctype>

namespace {

// The system's port, opened by number or by path as the user named it.
class CCliSerialPort : public CSerialPort {
public:
    explicit CCliSerialPort(CPortNotices& notices) : m_notices(notices) {}

    int Open(const std::string& path, int baudRate) override {
        const int opened = m_port.Open(path, baudRate);
        if (opened != 0) {
            m_notices.Set(m_port.Notice());
        }
        return opened;
    }
    const t_port_failure& Failure() const override { return m_port.Failure(); }
    const t_port_notice& Notice() const override { return m_port.Notice(); }
    int Close() override { return m_port.Close(); }
    int Write(const void* buffer, std::size_t count) override {
        return m_port.Write(buffer, count);
    }
    int ReadSome(void* buffer, std::size_t maximum) override {
        return m_port.ReadSome(buffer, maximum);
    }
    t_port_wait Wait(int wakeFd, bool watchPort, int timeoutMs) override {
        return m_port.Wait(wakeFd, watchPort, timeoutMs);
    }
    int Descriptor() const override { return m_port.Descriptor(); }

private:
    CPortNotices& m_notices;
    CComPort m_port;
};

} // namespace

std::string t_cli_port::Name() const {
    return path.empty() ? Format("COM%d", portNumber) : path;
}

bool ParseCliPort(const std::string& text, t_cli_port& port) {
    if (text.empty()) {
        return false;
    }
    const bool com = text.size() >= 3 && std::toupper(static_cast<unsigned char>(text[0])) == 'C' &&
                     std::toupper(static_cast<unsigned char>(text[1])) == 'O' &&
                     std::toupper(static_cast<unsigned char>(text[2])) == 'M' &&
                     text.find('/') == std::string::npos;
    if (!com) {
        port = t_cli_port{0, text};
        return true;
    }
    const std::string digits = text.substr(3);
    if (digits.empty() || digits.size() > 3 || digits[0] == '0') {
        return false;
    }
    int number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        number = number * 10 + (c - '0');
    }
    if (number > 255) {
        return false;
    }
    port = t_cli_port{number, {}};
    return true;
}

void CPortNotices::Set(const t_port_notice& notice) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_notice = notice;
}

t_port_notice CPortNotices::Get() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_notice;
}

SerialPortMaker CliPortMaker(CPortNotices& notices) {
    return [&notices] { return std::make_unique<CCliSerialPort>(notices); };
}
