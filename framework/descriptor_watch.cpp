#include "framework/descriptor_watch.h"

#include "framework/qt_internal.h"

#include <QSocketNotifier>

struct CDescriptorWatch::Notifier {
    QSocketNotifier notifier;
    explicit Notifier(int fd) : notifier(fd, QSocketNotifier::Read) {}
};

CDescriptorWatch::CDescriptorWatch(int fd, std::function<void()> onReadable) {
    afx::detail::EnsureApplication();
    m_notifier = std::make_unique<Notifier>(fd);
    QObject::connect(&m_notifier->notifier, &QSocketNotifier::activated,
                     [callback = std::move(onReadable)] { callback(); });
}

CDescriptorWatch::~CDescriptorWatch() = default;
