#include "framework/qt_internal.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace afx::detail {

// "text|pattern|text|pattern||" -> Qt name filters "text (pattern pattern)".
QStringList NameFilters(const std::string& filter) {
    QStringList parts = ToQ(filter).split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty())
            break;
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // On Linux "*.*" would match only names with a dot; here it means every file.
        for (QString& p : patterns) {
            p = p.trimmed();
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        }
        QString text = parts[i];
        // The text usually shows the patterns already; Qt reads them from the parentheses.
        qsizetype paren = text.lastIndexOf(QLatin1Char('('));
        if (paren >= 0)
            text = text.left(paren).trimmed();
        out << QStringLiteral("%1 (%2)").arg(text, patterns.join(QLatin1Char(' ')));
    }
    return out;
}

} // namespace afx::detail

using namespace afx::detail;

namespace {

// Whether saving to `path` replaces a file the save dialog must ask about.
bool AsksToReplace(BOOL open, DWORD flags, const QString& path) {
    if (open || (flags & OFN_OVERWRITEPROMPT) == 0)
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

// The save dialog's question before it replaces a file, in the words and the language of
// Qt's own file dialog, "Nie" the default; true for "Tak". Answered by the message box
// seam when one is set.
bool ConfirmReplace(QWidget* parent, const QString& title, const QString& path) {
    const QString text = QFileDialog::tr("%1 already exists.\nDo you want to replace it?")
                             .arg(QFileInfo(path).fileName());
    int answer = IDNO;
    if (AnswerMessageBox(FromQ(text), MB_YESNO | MB_ICONEXCLAMATION, &answer))
        return answer == IDYES;
    return QMessageBox::warning(parent, title, text, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

// Settles the chosen name before Qt checks it: the default extension goes on a name
// without one unless a file of that very name exists, so that both the overwrite
// question and the "file must exist" check see the file that will be used. The question
// is the dialog's own (ConfirmReplace), asked here for that settled name; "Nie" leaves
// the dialog open.
class ExtensionDialog : public QFileDialog {
public:
    ExtensionDialog(QWidget* parent, std::string defExt, BOOL open, DWORD flags)
        : QFileDialog(parent), defExt_(std::move(defExt)), open_(open), flags_(flags) {
        setOption(QFileDialog::DontConfirmOverwrite, true);
    }

    void accept() override {
        const QStringList files = selectedFiles();
        if (files.size() == 1) {
            const QString settled = ToQ(afx::AppendDefaultExtension(FromQ(files.first()), defExt_));
            if (settled != files.first())
                selectFile(settled);
            if (AsksToReplace(open_, flags_, settled) &&
                !ConfirmReplace(this, windowTitle(), settled))
                return;
        }
        QFileDialog::accept();
    }

private:
    std::string defExt_;
    BOOL open_;
    DWORD flags_;
};

} // namespace

CFileDialog::CFileDialog(BOOL open, const std::string& defExt, const std::string& fileName,
                         DWORD flags, const std::string& filter, CWnd* parent)
    : m_flags(flags), open_(open), defExt_(defExt), fileName_(fileName), filter_(filter),
      parent_(parent) {}

INT_PTR CFileDialog::DoModal() {
    std::string chosen;
    bool answered = false;
    const int filterCount = static_cast<int>(NameFilters(filter_).size());
    if (m_ofn.nFilterIndex < 1 || static_cast<int>(m_ofn.nFilterIndex) > filterCount)
        m_ofn.nFilterIndex = 1;
    DWORD filterIndex = m_ofn.nFilterIndex;
    // The seam stands for the dialog: a "Nie" to the question asks it again.
    while (AnswerFileDialog(*this, chosen, filterIndex, &answered)) {
        if (!answered)
            return IDCANCEL;
        std::string path = afx::AppendDefaultExtension(chosen, defExt_);
        if (AsksToReplace(open_, m_flags, ToQ(path)) &&
            !ConfirmReplace(nullptr, ToQ(m_title), ToQ(path)))
            continue;
        if (filterIndex >= 1 && static_cast<int>(filterIndex) <= filterCount)
            m_ofn.nFilterIndex = filterIndex;
        path_ = std::move(path);
        return IDOK;
    }
    EnsureApplication();
    ExtensionDialog dialog(parent_ != nullptr ? parent_->m_hWnd : nullptr, defExt_, open_, m_flags);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(open_ ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open_ && (m_flags & OFN_FILEMUSTEXIST) != 0 ? QFileDialog::ExistingFile
                                                                   : QFileDialog::AnyFile);
    QStringList filters = NameFilters(filter_);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        dialog.selectNameFilter(filters.at(static_cast<qsizetype>(m_ofn.nFilterIndex) - 1));
    }
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
        const qsizetype chosenFilter = filters.indexOf(dialog.selectedNameFilter());
        if (chosenFilter >= 0)
            m_ofn.nFilterIndex = static_cast<DWORD>(chosenFilter + 1);
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
    if (defExt.empty() || path.empty() || path.back() == '/' || QFileInfo::exists(ToQ(path)))
        return path;
    std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find('.') != std::string::npos)
        return path;
    return path + "." + defExt;
}
} // namespace afx
