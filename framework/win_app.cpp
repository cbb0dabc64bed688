#include "framework/qt_internal.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>
#include <map>

#ifndef RE2_QT_TRANSLATIONS_DIR
#define RE2_QT_TRANSLATIONS_DIR ""
#endif

struct AfxIconData {
    int id = 0;
    QImage image;
};

namespace {
CWinApp* theApp = nullptr;
std::string appName;

std::map<int, std::unique_ptr<AfxIconData>>& Icons() {
    static std::map<int, std::unique_ptr<AfxIconData>> icons;
    return icons;
}

int storedArgc = 1;
char storedArg0[] = "re2";
char* storedArgvDefault[] = {storedArg0, nullptr};
} // namespace

namespace afx::detail {

QFont DialogFont() {
    static QFont font = [] {
        QFont f;
        if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans")))
            f = QFont(QStringLiteral("Liberation Sans"));
        else
            f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        f.setPointSize(8);
        return f;
    }();
    return font;
}

void ApplyDialogFont(QWidget* widget) {
    widget->setFont(DialogFont());
}

void EnsureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        static int argc = storedArgc;
        new QApplication(argc, storedArgvDefault);
    }
}

QImage IconImage(HICON icon) {
    return icon != nullptr ? icon->image : QImage();
}

} // namespace afx::detail

using namespace afx::detail;

CWinApp::CWinApp(const char* name) {
    theApp = this;
    if (name != nullptr && appName.empty())
        appName = name;
}

CWinApp::~CWinApp() {
    if (theApp == this)
        theApp = nullptr;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

HICON CWinApp::LoadIcon(UINT id) const {
    auto it = Icons().find(static_cast<int>(id));
    return it == Icons().end() ? nullptr : it->second.get();
}

void CWinApp::OnHelp() {}

CWinApp* AfxGetApp() {
    return theApp;
}
CWnd* AfxGetMainWnd() {
    return theApp != nullptr ? theApp->m_pMainWnd : nullptr;
}
void AfxEnableControlContainer() {}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CXSCREEN:
        return 1920;
    case SM_CYSCREEN:
        return 1080;
    default:
        return 0;
    }
}

namespace afx {

void SetAppName(const std::string& name) {
    appName = name;
}
const std::string& GetAppName() {
    return appName;
}

void RegisterIcon(int id, int width, int height, const std::uint32_t* argb) {
    auto icon = std::make_unique<AfxIconData>();
    icon->id = id;
    icon->image = QImage(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            icon->image.setPixel(x, y, argb != nullptr ? argb[y * width + x] : 0);
    // Handles given out stay valid: an icon registered again keeps its old data alive.
    auto& slot = Icons()[id];
    if (slot)
        *slot = std::move(*icon);
    else
        slot = std::move(icon);
}

void InitApplication(int& argc, char** argv) {
    if (QCoreApplication::instance() == nullptr)
        new QApplication(argc, argv);
    // Numbers are parsed and formatted by the framework in the C locale; Qt set the
    // process locale from the environment, which only the C library would follow.
    std::setlocale(LC_NUMERIC, "C");
    static QTranslator* translator = nullptr;
    if (translator == nullptr) {
        translator = new QTranslator(qApp);
        QString dir = QStringLiteral(RE2_QT_TRANSLATIONS_DIR);
        if (dir.isEmpty())
            dir = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        if (translator->load(QStringLiteral("qtbase_pl"), dir))
            QCoreApplication::installTranslator(translator);
    }
    QApplication::setFont(DialogFont());
    InstallKeyFilter();
}

void InitApplicationForTests(int& argc, char** argv) {
    InitApplication(argc, argv);
}

int RunWinApp(int& argc, char** argv) {
    InitApplication(argc, argv);
    CWinApp* app = AfxGetApp();
    if (app == nullptr)
        return 1;
    if (app->InitInstance())
        return QApplication::exec();
    return 0;
}

} // namespace afx
