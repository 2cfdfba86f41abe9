#include "base/AccessibleNames.h"
#include "base/AppState.h"
#include "base/GuiResources.h"
#include "base/WindowGeometry.h"
#include "project/Settings.h"
#include "shell/CotentWidget.h"
#include "shell/LaunchArguments.h"
#include "shell/RecoveryOffer.h"
#include "subtitle/RecoverySession.h"
#include "update/RunningLock.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTextCodec>
#include <QTimer>

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
    // Kept for the whole run: the updater swaps no file under a running program.
    const RunningLock running(QCoreApplication::applicationDirPath());
    if (!running.isHeld())
        qWarning("running without the update lock: %s", qPrintable(running.error()));
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
    RecoverySession recovery(userDataFolder() + QStringLiteral("/recovery"));
    if (recovery.begin())
        project.recoveryCopyPath = recovery.copyPath();

    CotentWidget window;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    window.move(WindowGeometry::centred(screen, window.size()));
    window.show();
    const QString launchFile = launchFileArgument(app.arguments());
    QTimer::singleShot(0, &window, [&window, &recovery, launchFile] {
        // Work lost to a crash comes first; a file named on the command line
        // then opens as asked (its own leave question protects what came back).
        offerRecovery(&window, recovery);
        openLaunchFile(window, launchFile);
    });
    const int exitCode = app.exec();
    recovery.end();
    return exitCode;
}
