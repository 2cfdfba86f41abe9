// The picture itself: under a private Xvfb with OpenGL, a paused seek shows
// a frame of the video. Skipped where no X server starts or no OpenGL
// context can be made.
#include "../PlayerTestMedia.h"

#include "base/AppState.h"
#include "base/CurrentProject.h"
#include "base/PlaybackState.h"
#include "base/SignalProxy.h"
#include "views/MediaPlayer.h"
#include "views/VideoWidget.h"

#include <QApplication>
#include <QImage>
#include <QOpenGLWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <clocale>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

pid_t g_xvfb = -1;
bool g_haveDisplay = false;

// Starts Xvfb on a display number it picks itself (-displayfd), and points
// DISPLAY at it.
bool startXvfb()
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const std::string fd = std::to_string(fds[1]);
    const char *argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x720x24", "-nolisten", "tcp", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const int spawned = posix_spawnp(&g_xvfb, "Xvfb", &actions, nullptr, const_cast<char **>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        g_xvfb = -1;
        close(fds[0]);
        return false;
    }
    std::string number;
    pollfd waiting {fds[0], POLLIN, 0};
    while (poll(&waiting, 1, 10000) > 0) {
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (number.empty())
        return false;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

void stopXvfb()
{
    if (g_xvfb <= 0)
        return;
    kill(g_xvfb, SIGTERM);
    waitpid(g_xvfb, nullptr, 0);
    g_xvfb = -1;
}

// The share of pixels that are clearly not black.
double litShare(const QImage &image)
{
    if (image.isNull())
        return 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 lit = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (qMax(qRed(line[x]), qMax(qGreen(line[x]), qBlue(line[x]))) > 40)
                ++lit;
        }
    }
    return double(lit) / (qint64(rgb.width()) * rgb.height());
}

} // namespace

TEST(PlayerFrameTest, APausedSeekShowsAFrameThatIsNotBlack)
{
    if (!g_haveDisplay)
        GTEST_SKIP() << "no X server could be started";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString clip = PlayerTestMedia::clip(dir.path());
    ASSERT_FALSE(clip.isEmpty());

    MediaPlayer::Options options;
    options.nullAudio = true;
    VideoWidget widget(options);
    if (!widget.player()->drawsVideo())
        GTEST_SKIP() << "no OpenGL context";
    auto *surface = qobject_cast<QOpenGLWidget *>(widget.player()->videoSurface());
    ASSERT_TRUE(surface);
    widget.resize(900, 640);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));

    currentProject().mediaFilePath = clip;
    currentProject().setting.CurrentPlayPos = 5.0;
    QSignalSpy layer(SignalProxy::instance(), &SignalProxy::signal_noticeShowLoadProjectLayer);
    emit SignalProxy::instance()->signal_loadProject();
    ASSERT_TRUE(QTest::qWaitFor([&] { return layer.count() == 1; }, 20000));
    ASSERT_TRUE(playbackState().playerStarted) << "the file did not play";
    EXPECT_TRUE(widget.player()->isPaused());
    EXPECT_EQ(widget.player()->position(), 5000);

    double share = 0;
    const bool lit = QTest::qWaitFor(
        [&] {
            share = litShare(surface->grabFramebuffer());
            return share > 0.5;
        },
        10000);
    EXPECT_TRUE(lit) << "share of lit pixels: " << share;
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    g_haveDisplay = startXvfb();
    qputenv("QT_QPA_PLATFORM", g_haveDisplay ? "xcb" : "offscreen");
    int result = 0;
    {
        QApplication app(argc, argv);
        setlocale(LC_NUMERIC, "C"); // libmpv reads numbers the C way
        AppState state;
        result = RUN_ALL_TESTS();
    }
    stopXvfb();
    return result;
}
