#include "base/AccessibleNames.h"
#include "base/AppState.h"
#include "base/GuiResources.h"
#include "base/WindowGeometry.h"
#include "project/Settings.h"
#include "shell/CotentWidget.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTextCodec>

#include <clocale>

namespace {

void applyStyleSheet(QApplication &app)
{
    QFile file(QStringLiteral(":qss/StyleSheet.qss"));
    if (!file.open(QIODevice::ReadOnly))
        return;
    app.setStyleSheet(QTextCodec::codecForName("GBK")->toUnicode(file.readAll()));
}

void loadAccountAndFolder()
{
    const StartupSettings settings = loadStartupSettings();
    AccountMemory &memory = accountMemory();
    memory.userName = settings.userName;
    memory.password = settings.userPassword;
    memory.rememberPassword = settings.rememberPassword;
    memory.autoLogin = settings.autoLogin;
    currentProject().lastFolderPath = settings.folderPath;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    AppState state;
    initGuiResources();
    // The media library parses numbers with the C locale.
    std::setlocale(LC_NUMERIC, "C");
    registerChineseFontSubstitutes();
    installAccessibleNames(app);

    CurrentProject &project = currentProject();
    project.tempFolder = defaultTempFolder();
    if (!QDir().mkpath(project.tempFolder))
        return 0;
    project.appDataFolder = appDataFolder();

    applyStyleSheet(app);
    loadAccountAndFolder();

    CotentWidget window;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.move(WindowGeometry::centred(screen, window.size()));
    window.show();
    return app.exec();
}
