// The program's state, the shared window behaviours and the choosers.
#include "ShellFixture.h"

#include "base/AccessibleNames.h"
#include "base/AppState.h"
#include "base/DesktopActions.h"
#include "base/FileChooser.h"
#include "base/FilePickers.h"
#include "base/GuiResources.h"
#include "base/MsgBox.h"
#include "base/WindowDragger.h"
#include "shell/CotentWidget.h"
#include "shell/MainWidget.h"
#include "shell/SrtProgressWidget.h"
#include "shell/SubtitleProjectPage.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTableWidget>
#include <QToolButton>

namespace {

class GroundworkTest : public ShellFixture
{
};

// The file names a chooser lists in its current folder.
QStringList listedFiles(QFileDialog &dialog)
{
    auto *model = dialog.findChild<QFileSystemModel *>();
    auto *view = dialog.findChild<QAbstractItemView *>(QStringLiteral("listView"));
    EXPECT_TRUE(model && view);
    if (!model || !view)
        return {};
    QElapsedTimer timer;
    timer.start();
    QStringList names;
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        names.clear();
        const QModelIndex root = view->rootIndex();
        for (int row = 0; row < view->model()->rowCount(root); ++row)
            names << view->model()->index(row, 0, root).data().toString();
    } while (timer.elapsed() < 400);
    names.sort();
    return names;
}

void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButtons held)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

} // namespace

TEST_F(GroundworkTest, ProjectResetEmptiesTheProjectButKeepsTheSessionAndFolders)
{
    CurrentProject &project = currentProject();
    const QString temp = project.tempFolder;
    project.mediaFilePath = QStringLiteral("/m.mp4");
    project.projectFilePath = QStringLiteral("/m.cwpro");
    project.subtitleFilePath = QStringLiteral("/m.srt");
    project.wavFilePath = QStringLiteral("/m.wav");
    project.exportSrtFilePath = QStringLiteral("/out.srt");
    project.textEncoding = 2;
    project.lineTooLong = true;
    project.lastFolderPath = QStringLiteral("/films");
    project.projectList = {{QStringLiteral("m"), true, QStringLiteral("/m.cwpro")}};
    project.setting.PlaySpeed = 1.5;
    playbackState().playerStarted = true;
    playbackState().playPosition = 12;
    loginState().loggedIn = true;
    currentSubtitleList().append(SubtitleEntry{});
    QSignalSpy cleared(SignalProxy::instance(), &SignalProxy::siganal_ClearDate);

    resetCurrentProject();

    EXPECT_EQ(cleared.count(), 1);
    EXPECT_FALSE(project.isOpen());
    for (const QString &path : {project.projectFilePath, project.subtitleFilePath, project.wavFilePath,
                                project.exportSrtFilePath})
        EXPECT_TRUE(path.isEmpty()) << path.toStdString();
    EXPECT_EQ(project.textEncoding, 0);
    EXPECT_FALSE(project.lineTooLong);
    EXPECT_EQ(project.setting.PlaySpeed, 0);
    EXPECT_FALSE(playbackState().playerStarted);
    EXPECT_EQ(playbackState().playPosition, 0);
    EXPECT_TRUE(currentSubtitleList().isEmpty());
    // What belongs to the program rather than to the project stays.
    EXPECT_EQ(project.tempFolder, temp);
    EXPECT_EQ(project.lastFolderPath, QStringLiteral("/films"));
    EXPECT_EQ(project.projectList.size(), 1);
    EXPECT_TRUE(loginState().loggedIn);
}

TEST_F(GroundworkTest, ChooserFiltersKeepTheirTextsAndListEveryPattern)
{
    const QString media = QString::fromUtf8(FilePickers::mediaFilter);
    const QStringList filters = FileChooser::nameFilters(media);
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("音视频文件(*.avi; *.mp4; *.mkv;")));
    EXPECT_TRUE(filters[0].endsWith(QStringLiteral(" (*.avi *.mp4 *.mkv *.mpg *.mpeg *.wmv *.flv *.mov *.mp3 *.wav)")));
    EXPECT_EQ(FileChooser::patterns(QStringLiteral("文本文件(*.txt;*.srt)")),
              (QStringList{QStringLiteral("*.txt"), QStringLiteral("*.srt")}));
    EXPECT_EQ(FileChooser::defaultSuffix(QString::fromUtf8(FilePickers::projectFilter)), QStringLiteral("cwpro"));
    EXPECT_EQ(FileChooser::defaultSuffix(QStringLiteral("所有文件(*.*)")), QString());
    EXPECT_EQ(FileChooser::defaultSuffix(QStringLiteral("SubRip-SRT（*.srt）")), QStringLiteral("srt"));
    EXPECT_EQ(FileChooser::nameFilters(QStringLiteral("TXT（*.txt）")), QStringList{QStringLiteral("TXT（*.txt） (*.txt)")});

    for (const char *name : {"a.mp4", "B.MP4", "c.srt", "d.txt", "e.wav", "f.doc"})
        writeFile(workFile(QStringLiteral("files/") + QLatin1String(name)), "x");
    QFileDialog dialog;
    FileChooser::setUp(dialog, media, false);
    dialog.setDirectory(workFile(QStringLiteral("files")));
    EXPECT_EQ(listedFiles(dialog), (QStringList{"B.MP4", "a.mp4", "e.wav"}));
    // The visible filter texts are exactly the program's.
    auto *types = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
    ASSERT_TRUE(types);
    EXPECT_EQ(types->itemText(0), QStringLiteral("音视频文件(*.avi; *.mp4; *.mkv; *.mpg; *.mpeg; *.wmv; *.flv; "
                                                "*.mov; *.mp3; *.wav)"));

    QFileDialog text;
    FileChooser::setUp(text, QStringLiteral("文本文件(*.txt;*.srt)"), false);
    text.setDirectory(workFile(QStringLiteral("files")));
    EXPECT_EQ(listedFiles(text), (QStringList{"c.srt", "d.txt"}));
}

TEST_F(GroundworkTest, SaveChooserAddsTheProjectSuffix)
{
    QDir().mkpath(workFile(QStringLiteral("out")));
    QFileDialog dialog;
    FileChooser::setUp(dialog, QString::fromUtf8(FilePickers::projectFilter), true);
    dialog.setDirectory(workFile(QStringLiteral("out")));
    dialog.selectFile(QStringLiteral("lecture"));
    QMetaObject::invokeMethod(&dialog, "accept");
    EXPECT_EQ(dialog.selectedFiles().value(0), workFile(QStringLiteral("out/lecture.cwpro")));
}

TEST_F(GroundworkTest, ProgressPercentageHoldsPastThirtyTwoBits)
{
    EXPECT_EQ(SrtProgressWidget::percentFor(30'000'000, 60'000'000), 50);
    EXPECT_EQ(SrtProgressWidget::percentFor(2'000'000'000, 2'000'000'000), 100);
    EXPECT_EQ(SrtProgressWidget::percentFor(5, 0), 0);
    EXPECT_EQ(SrtProgressWidget::percentFor(5, -3), 0);
    EXPECT_EQ(SrtProgressWidget::percentFor(-5, 10), 0);
}

TEST_F(GroundworkTest, WindowsAreTitledAndControlsNamed)
{
    installAccessibleNames(*qApp);
    CotentWidget window;
    window.show();
    window.mainWidget()->show();
    MsgBox box;
    box.setTitle(QStringLiteral("请确认操作"));
    box.show();
    EXPECT_EQ(box.windowTitle(), QStringLiteral("请确认操作"));
    settle(0);

    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (!top->isVisible())
            continue;
        EXPECT_FALSE(top->windowTitle().isEmpty()) << top->metaObject()->className();
        for (QWidget *control : top->findChildren<QWidget *>()) {
            if (!qobject_cast<QAbstractButton *>(control) && !qobject_cast<QLineEdit *>(control)
                && !qobject_cast<QAbstractItemView *>(control))
                continue;
            if (!control->isVisibleTo(top) || control->parentWidget()->inherits("QComboBox"))
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            ASSERT_TRUE(accessible);
            EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty())
                << top->windowTitle().toStdString() << ": " << control->metaObject()->className() << " "
                << control->objectName().toStdString();
        }
    }
}

TEST_F(GroundworkTest, ChineseFontNamesResolveToAnInstalledChineseFont)
{
    const QString family = registerChineseFontSubstitutes();
    ASSERT_FALSE(family.isEmpty());
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("微软雅黑"))).family(), family);
    EXPECT_EQ(QFontInfo(QFont(QStringLiteral("Microsoft YaHei"))).family(), family);
}

TEST_F(GroundworkTest, DialogsDragByTheirTitleRowOnly)
{
    MsgBox box;
    box.setFixedSize(350, 160);
    box.move(200, 200);
    box.show();
    settle(0);
    const QPoint start = box.pos();

    sendMouse(&box, QEvent::MouseButtonPress, QPoint(100, 50), Qt::LeftButton); // below the title row
    sendMouse(&box, QEvent::MouseMove, QPoint(130, 70), Qt::LeftButton);
    sendMouse(&box, QEvent::MouseButtonRelease, QPoint(130, 70), Qt::NoButton);
    EXPECT_EQ(box.pos(), start);

    sendMouse(&box, QEvent::MouseButtonPress, QPoint(100, 10), Qt::LeftButton);
    sendMouse(&box, QEvent::MouseMove, QPoint(130, 30), Qt::LeftButton);
    EXPECT_EQ(box.pos(), start + QPoint(30, 20));
    sendMouse(&box, QEvent::MouseButtonRelease, QPoint(130, 30), Qt::NoButton);
    sendMouse(&box, QEvent::MouseMove, QPoint(160, 60), Qt::NoButton);
    EXPECT_EQ(box.pos(), start + QPoint(30, 20));
}

TEST_F(GroundworkTest, RevealingWithoutAFileManagerOpensTheFolder)
{
    // No session bus here: the folder is opened instead.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    const QString file = workFile(QStringLiteral("out/movie.srt"));
    writeFile(file, "x");
    EXPECT_TRUE(DesktopActions::revealFile(file));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(workFile(QStringLiteral("out"))));
}

#include "GroundworkTest.moc"
