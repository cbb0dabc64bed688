#include "framework/qt_internal.h"

#include <QFileDialog>
#include <QFileInfo>

using namespace afx::detail;

namespace {
// "text|pattern|text|pattern||" -> Qt name filters "text (pattern pattern)".
QStringList NameFilters(const std::string& filter) {
    QStringList parts = ToQ(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString text = parts[i];
        // The text usually shows the patterns already; Qt reads them from the parentheses.
        qsizetype paren = text.lastIndexOf(QLatin1Char('('));
        if (paren >= 0)
            text = text.left(paren).trimmed();
        out << QStringLiteral("%1 (%2)").arg(text, patterns);
    }
    return out;
}
} // namespace

CFileDialog::CFileDialog(BOOL open, const std::string& defExt, const std::string& fileName,
                         DWORD flags, const std::string& filter, CWnd* parent)
    : m_flags(flags), open_(open), defExt_(defExt), fileName_(fileName), filter_(filter),
      parent_(parent) {}

INT_PTR CFileDialog::DoModal() {
    std::string chosen;
    bool answered = false;
    if (AnswerFileDialog(*this, chosen, &answered)) {
        if (!answered)
            return IDCANCEL;
        path_ = afx::AppendDefaultExtension(chosen, defExt_);
        return IDOK;
    }
    EnsureApplication();
    QFileDialog dialog(parent_ != nullptr ? parent_->m_hWnd : nullptr);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(open_ ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open_ && (m_flags & OFN_FILEMUSTEXIST) != 0 ? QFileDialog::ExistingFile
                                                                   : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (m_flags & OFN_OVERWRITEPROMPT) == 0);
    if (!defExt_.empty())
        dialog.setDefaultSuffix(ToQ(defExt_));
    QStringList filters = NameFilters(filter_);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!m_title.empty())
        dialog.setWindowTitle(ToQ(m_title));
    if (!m_initialDir.empty())
        dialog.setDirectory(ToQ(m_initialDir));
    if (!fileName_.empty())
        dialog.selectFile(ToQ(fileName_));
    dialog.setWindowModality(Qt::ApplicationModal);
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return IDCANCEL;
        std::string path =
            afx::AppendDefaultExtension(FromQ(dialog.selectedFiles().first()), defExt_);
        QFileInfo info(ToQ(path));
        if ((m_flags & OFN_PATHMUSTEXIST) != 0 && !info.absoluteDir().exists())
            continue;
        if ((m_flags & OFN_FILEMUSTEXIST) != 0 && !info.exists())
            continue;
        path_ = path;
        return IDOK;
    }
}

std::string CFileDialog::GetFileName() const {
    std::size_t slash = path_.find_last_of('/');
    return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

std::string CFileDialog::GetFileExt() const {
    std::string name = GetFileName();
    std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

namespace afx {
std::string AppendDefaultExtension(const std::string& path, const std::string& defExt) {
    if (defExt.empty() || path.empty() || path.back() == '/')
        return path;
    std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find('.') != std::string::npos)
        return path;
    return path + "." + defExt;
}
} // namespace afx
