// The waveform timeline in the editor's place: loading, scene replacement,
// blocks following the list, drags written back, the ruler and the cursor.
#include "ShellFixture.h"
#include "WaveTestSupport.h"

#include "base/CurrentProject.h"
#include "base/PlaybackState.h"
#include "base/SignalProxy.h"
#include "subtitle/SubtitleList.h"
#include "views/AudioScene.h"
#include "views/AudioWaveWidget.h"
#include "views/GraphicWidget.h"
#include "views/MyItem.h"
#include "views/SpinItem.h"
#include "views/WaveViewRules.h"

#include <QDir>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <limits>

namespace {

class AudioWaveWidgetTest : public ShellFixture
{
protected:
    void SetUp() override
    {
        ShellFixture::SetUp();
        m_wave.setScratchFolder(workFile(QStringLiteral("wave-scratch")));
        m_wave.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_wave));
    }

    QString silentWav(const QString &name, double seconds)
    {
        const QString path = workFile(name);
        EXPECT_TRUE(writeSilentWav(path, seconds));
        return path;
    }

    // Loads and waits until the timeline says it is ready.
    void load(const QString &path)
    {
        QSignalSpy finished(SignalProxy::instance(), &SignalProxy::signal_loadwavefileFinished);
        m_wave.slot_loadWavfile(path);
        ASSERT_TRUE(finished.count() > 0 || finished.wait(10000));
    }

    static void setEntries(const SubtitleEntries &entries) { currentSubtitleList().replaceDocument(entries); }

    static int cursorsIn(QGraphicsScene *scene)
    {
        int count = 0;
        for (QGraphicsItem *item : scene->items())
            count += item->type() == SpinItem::Type;
        return count;
    }

    // Every block and the cursor belong to the scene the view shows.
    void expectNothingDangling()
    {
        AudioScene *scene = m_wave.scene();
        ASSERT_EQ(m_wave.view()->scene(), scene);
        ASSERT_NE(m_wave.cursor(), nullptr);
        EXPECT_EQ(m_wave.cursor()->scene(), scene);
        EXPECT_EQ(cursorsIn(scene), 1);
        for (MyItem *block : m_wave.blocks())
            EXPECT_EQ(block->scene(), scene);
    }

    AudioWaveWidget m_wave;
};

TEST_F(AudioWaveWidgetTest, LoadShowsTheAudioAndReportsTheEnd)
{
    const QString wav = silentWav(QStringLiteral("minute.wav"), 60);
    QSignalSpy finished(SignalProxy::instance(), &SignalProxy::signal_loadwavefileFinished);
    m_wave.slot_loadWavfile(wav);
    EXPECT_EQ(currentProject().mediaFilePath, wav);
    EXPECT_TRUE(currentProject().wavFilePath.isEmpty()) << "stored on the GUI thread when the load is applied";
    EXPECT_FALSE(m_wave.scene()->isLoaded());
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(finished.count(), 1);

    AudioScene *scene = m_wave.scene();
    EXPECT_TRUE(scene->isLoaded());
    EXPECT_EQ(currentProject().wavFilePath, wav);
    EXPECT_EQ(scene->sampleCount(), 960000u);
    EXPECT_EQ(scene->sceneRect().width(), 6000);
    EXPECT_EQ(m_wave.cursor()->pos(), QPointF(0, 108));
    EXPECT_TRUE(m_wave.lastLoadError().isEmpty());
    EXPECT_FALSE(QDir(m_wave.scratchFolder()).exists()) << "a service WAV needs no copy";

    // A missing file changes nothing.
    m_wave.slot_loadWavfile(workFile(QStringLiteral("gone.wav")));
    m_wave.slot_loadWavfile(QString());
    EXPECT_EQ(m_wave.scene(), scene);
    EXPECT_EQ(currentProject().mediaFilePath, wav);

    // Audio that cannot be had still ends the load, with the cursor placed.
    const QString broken = workFile(QStringLiteral("broken.mp4"));
    writeFile(broken, "no media here");
    load(broken);
    EXPECT_TRUE(m_wave.scene()->isLoaded());
    EXPECT_EQ(m_wave.scene()->peaks(), nullptr);
    EXPECT_FALSE(m_wave.lastLoadError().isEmpty());
    EXPECT_EQ(m_wave.cursor()->pos(), QPointF(0, 108));
}

TEST_F(AudioWaveWidgetTest, ZoomStepsWithinItsLimitsAndKeepsEverythingInPlace)
{
    setEntries({waveEntry(10000, 12000, QStringLiteral("一"))});
    load(silentWav(QStringLiteral("minute.wav"), 60));
    AudioScene *scene = m_wave.scene();
    ASSERT_EQ(m_wave.blocks().size(), 1);
    scene->placeCursor(3000);

    emit SignalProxy::instance()->signal_NoticeZoomIn();
    EXPECT_EQ(timeScaleValue(), 1.05);
    EXPECT_EQ(currentProject().setting.TimeScaleValue, 1.05);
    EXPECT_EQ(scene->sceneRect().width(), 6300);
    EXPECT_DOUBLE_EQ(m_wave.cursor()->x(), 3150);
    EXPECT_NEAR(m_wave.blocks()[0]->x(), 1050, 0.01);
    EXPECT_NEAR(m_wave.blocks()[0]->span().width, 210, 0.01);

    for (int i = 0; i < 40; ++i)
        scene->slot_Zoomin();
    EXPECT_EQ(timeScaleValue(), 2.5);
    EXPECT_EQ(scene->sceneRect().width(), 15000);
    EXPECT_DOUBLE_EQ(m_wave.cursor()->x(), 7500);
    for (int i = 0; i < 60; ++i)
        emit SignalProxy::instance()->signal_NoticeZoomOut();
    EXPECT_EQ(timeScaleValue(), 0.25);
    EXPECT_EQ(scene->sceneRect().width(), qMax(1500.0, scene->viewSize().width()));
    EXPECT_NEAR(m_wave.blocks()[0]->x(), 250, 0.01);

    // A project's nonsense zoom is read as the normal scale.
    timeScaleValue() = std::numeric_limits<double>::quiet_NaN();
    scene->slot_Zoomin();
    EXPECT_EQ(timeScaleValue(), 1.05);
}

TEST_F(AudioWaveWidgetTest, ReplacedScenesLeaveNoBlockOrCursorBehind)
{
    setEntries({waveEntry(1000, 2000, QStringLiteral("一")), waveEntry(3000, 4000, QStringLiteral("二"))});
    const QString a = silentWav(QStringLiteral("a.wav"), 60);
    const QString b = silentWav(QStringLiteral("b.wav"), 20);
    load(a);
    emit SignalProxy::instance()->signal_drawTimeblock();
    ASSERT_EQ(m_wave.blocks().size(), 2);

    // Play A, pick B, zoom: the blocks and cursor of A's scene are gone.
    QSignalSpy finished(SignalProxy::instance(), &SignalProxy::signal_loadwavefileFinished);
    emit SignalProxy::instance()->signal_startLoadwavfile(b);
    emit SignalProxy::instance()->signal_NoticeZoomIn();
    expectNothingDangling();
    // Blocks drawn while the load runs: the load then places this cursor,
    // it does not add a second one.
    emit SignalProxy::instance()->signal_drawTimeblock();
    ASSERT_TRUE(finished.wait(10000));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    emit SignalProxy::instance()->signal_NoticeZoomOut();
    expectNothingDangling();
    EXPECT_EQ(m_wave.blocks().size(), 2);
    EXPECT_EQ(m_wave.scene()->sampleCount(), 20u * 16000);

    // Cleared while A loads again: no blocks, no list, no media, and A's
    // late result is dropped; a later zoom is harmless.
    emit SignalProxy::instance()->signal_startLoadwavfile(a);
    emit SignalProxy::instance()->siganal_ClearDate();
    EXPECT_TRUE(m_wave.blocks().isEmpty());
    EXPECT_TRUE(currentSubtitleList().isEmpty());
    EXPECT_TRUE(currentProject().mediaFilePath.isEmpty());
    QTest::qWait(300);
    EXPECT_EQ(finished.count(), 1);
    EXPECT_FALSE(m_wave.scene()->isLoaded());
    EXPECT_EQ(m_wave.scene()->peaks(), nullptr);
    emit SignalProxy::instance()->signal_NoticeZoomIn();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    expectNothingDangling();
}

TEST_F(AudioWaveWidgetTest, BlocksFollowTheListWhateverReplacesIt)
{
    setEntries({waveEntry(1000, 2000, QStringLiteral("一")), waveEntry(3000, 4000, QStringLiteral("二"))});
    ASSERT_EQ(m_wave.blocks().size(), 2);
    EXPECT_EQ(m_wave.blocks()[1]->text(), QStringLiteral("二"));

    // Another file opened: more entries, then as many but other ones.
    setEntries({waveEntry(500, 900, QStringLiteral("甲")), waveEntry(1000, 1500, QStringLiteral("乙")),
        waveEntry(2000, 2500, QStringLiteral("丙"))});
    ASSERT_EQ(m_wave.blocks().size(), 3);
    EXPECT_EQ(m_wave.blocks()[2]->text(), QStringLiteral("丙"));
    setEntries({waveEntry(100, 200, QStringLiteral("子")), waveEntry(300, 400, QStringLiteral("丑")),
        waveEntry(600, 700, QStringLiteral("寅"))});
    EXPECT_EQ(m_wave.blocks()[0]->text(), QStringLiteral("子"));
    EXPECT_NEAR(m_wave.blocks()[2]->x(), 60, 0.01);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(m_wave.blocks()[i]->index(), i);

    // A row the list does not have is neither refreshed nor written.
    m_wave.slot_noticeUpdateWaveItem(-1);
    m_wave.slot_noticeUpdateWaveItem(3);
    m_wave.slot_noticeUpdateWaveItem(99);
    EXPECT_FALSE(m_wave.scene()->writeBack(3, {0, 10}));
    EXPECT_FALSE(m_wave.scene()->writeBack(-1, {0, 10}));
    EXPECT_EQ(currentSubtitleList().size(), 3);

    // A row changed in place is refreshed on its notice.
    currentSubtitleList().edit([](SubtitleEntries &entries) { entries[1].text = toLocal8(QStringLiteral("卯")); });
    m_wave.slot_noticeUpdateWaveItem(1);
    EXPECT_EQ(m_wave.blocks()[1]->text(), QStringLiteral("卯"));
}

class WaveDragTest : public AudioWaveWidgetTest
{
protected:
    void SetUp() override
    {
        AudioWaveWidgetTest::SetUp();
        load(silentWav(QStringLiteral("ten.wav"), 10));
        // Zoom 1: blocks at 100-200, 250-350 and 400-500.
        setEntries({waveEntry(1000, 2000, QStringLiteral("一")), waveEntry(2500, 3500, QStringLiteral("二")),
            waveEntry(4000, 5000, QStringLiteral("三"))});
        ASSERT_EQ(m_wave.blocks().size(), 3);
    }

    MyItem *block(int i) const { return m_wave.blocks()[i]; }

    // The entry's times are the block's edges, to the millisecond.
    void expectWrittenBack(int i)
    {
        const SubtitleEntry entry = currentSubtitleList().at(i);
        const BlockSpan span = block(i)->span();
        EXPECT_EQ(startMs(entry), qint64(span.x * 10 + 0.005)) << i;
        EXPECT_EQ(endMs(entry), qint64(span.end() * 10 + 0.005)) << i;
    }

    void drag(const QPointF &from, const QPointF &to) { dragInScene(m_wave.scene(), from, to, 8); }
};

TEST_F(WaveDragTest, DragsStopAtNeighboursAndEdgesAndWriteBack)
{
    const SubtitleEntries layout = currentSubtitleList().snapshot();
    QSignalSpy rows(SignalProxy::instance(), &SignalProxy::signal_noticeUpdateSrtlistWidgetItem);
    // The middle block stops flush against the first.
    drag({300, 100}, {130, 100});
    EXPECT_NEAR(block(1)->x(), 200, 1e-3);
    EXPECT_EQ(startMs(currentSubtitleList().at(1)), 2000);
    EXPECT_EQ(endMs(currentSubtitleList().at(1)), 3000);
    expectWrittenBack(1);
    ASSERT_FALSE(rows.isEmpty());
    EXPECT_EQ(rows.last().at(0).toInt(), 1);

    // The first block stops at 0, the last at the scene's end.
    drag({150, 100}, {20, 100});
    EXPECT_NEAR(block(0)->x(), 0, 1e-3);
    expectWrittenBack(0);
    const double right = m_wave.scene()->sceneRect().right();
    drag({450, 100}, {right + 300, 100});
    EXPECT_NEAR(block(2)->span().end(), right, 1e-3);
    expectWrittenBack(2);

    // A right edge stops at the next start.
    setEntries(layout);
    drag({345, 100}, {480, 100});
    EXPECT_NEAR(block(1)->span().end(), block(2)->x(), 1e-3);
    EXPECT_EQ(endMs(currentSubtitleList().at(1)), 4000);
    expectWrittenBack(1);

    // A left edge pulled past the previous end in one step puts the block
    // against it, its length kept.
    setEntries(layout);
    dragInScene(m_wave.scene(), {403, 100}, {250, 100}, 1);
    EXPECT_EQ(startMs(currentSubtitleList().at(2)), 3500);
    EXPECT_EQ(endMs(currentSubtitleList().at(2)), 4500);
    expectWrittenBack(2);
}

TEST_F(WaveDragTest, ADragIsOneUndoStep)
{
    SubtitleList &list = currentSubtitleList();
    drag({300, 100}, {320, 100});
    drag({300 + 20, 100}, {340, 100}); // the same block again: its own step
    EXPECT_EQ(startMs(list.at(1)), 2900);
    list.undo();
    EXPECT_EQ(startMs(list.at(1)), 2700);
    list.undo();
    EXPECT_EQ(startMs(list.at(1)), 2500);
    EXPECT_FALSE(list.canUndo());
    // The blocks follow the list back.
    EXPECT_NEAR(block(1)->x(), 250, 0.01);
}

TEST_F(WaveDragTest, ADragCutShortByANewListWritesNothingIntoIt)
{
    for (const SubtitleEntries &next :
        {SubtitleEntries {waveEntry(1000, 2000, QStringLiteral("甲")), waveEntry(5000, 6000, QStringLiteral("乙"))},
            SubtitleEntries {waveEntry(1000, 2000, QStringLiteral("子")), waveEntry(5000, 6000, QStringLiteral("丑")),
                waveEntry(7000, 8000, QStringLiteral("寅"))}}) {
        setEntries({waveEntry(1000, 2000, QStringLiteral("一")), waveEntry(2500, 3500, QStringLiteral("二")),
            waveEntry(4000, 5000, QStringLiteral("三"))});
        AudioScene *scene = m_wave.scene();
        sendSceneMouse(scene, QEvent::GraphicsSceneMousePress, {300, 100});
        sendSceneMouse(scene, QEvent::GraphicsSceneMouseMove, {310, 100});
        ASSERT_EQ(startMs(currentSubtitleList().at(1)), 2600);
        // Another file opened while the button is still down.
        setEntries(next);
        sendSceneMouse(scene, QEvent::GraphicsSceneMouseMove, {340, 100});
        sendSceneMouse(scene, QEvent::GraphicsSceneMouseRelease, {340, 100}, Qt::NoButton);
        EXPECT_EQ(currentSubtitleList().snapshot(), next);
    }
}

TEST_F(WaveDragTest, APressNearAnEdgeMovesOnlyThatEdge)
{
    drag({110, 100}, {90, 100});
    EXPECT_EQ(startMs(currentSubtitleList().at(0)), 800);
    EXPECT_EQ(endMs(currentSubtitleList().at(0)), 2000);
}

TEST_F(WaveDragTest, OverlappingBlocksAreNeverPushedAgainstTheDrag)
{
    // As recognition leaves them: the second starts inside the first.
    setEntries({waveEntry(1000, 3000, QStringLiteral("一")), waveEntry(2500, 3500, QStringLiteral("二"))});
    drag({300, 100}, {290, 100});
    EXPECT_EQ(startMs(currentSubtitleList().at(1)), 2500) << "not moved right by a left drag";
    drag({150, 100}, {160, 100});
    EXPECT_EQ(startMs(currentSubtitleList().at(0)), 1000) << "not moved left by a right drag";
    // Its left edge still shrinks it out of the overlap.
    drag({253, 100}, {303, 100});
    EXPECT_EQ(startMs(currentSubtitleList().at(1)), 3000);
    EXPECT_EQ(endMs(currentSubtitleList().at(1)), 3500);
}

TEST_F(WaveDragTest, ArrowKeysNudgeTheGrabbedEdge)
{
    m_wave.view()->setFocus();
    // Grab the second block's right edge.
    sendSceneMouse(m_wave.scene(), QEvent::GraphicsSceneMousePress, {345, 100});
    sendSceneMouse(m_wave.scene(), QEvent::GraphicsSceneMouseRelease, {345, 100}, Qt::NoButton);
    ASSERT_EQ(m_wave.scene()->selectedBlock(), 1);

    QTest::keyClick(m_wave.view()->viewport(), Qt::Key_Right);
    EXPECT_EQ(endMs(currentSubtitleList().at(1)), 3510);
    QTest::keyClick(m_wave.view()->viewport(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(endMs(currentSubtitleList().at(1)), 3610);
    for (int i = 0; i < 6; ++i)
        QTest::keyClick(m_wave.view()->viewport(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(endMs(currentSubtitleList().at(1)), 4000) << "stops at the next start";
    QTest::keyClick(m_wave.view()->viewport(), Qt::Key_Left);
    EXPECT_EQ(endMs(currentSubtitleList().at(1)), 3990);
    EXPECT_EQ(startMs(currentSubtitleList().at(1)), 2500);
    currentSubtitleList().undo();
    EXPECT_EQ(endMs(currentSubtitleList().at(1)), 4000);
}

TEST_F(AudioWaveWidgetTest, RulerClickWhilePausedSeeksAndHoldsTheCursor)
{
    load(silentWav(QStringLiteral("ten.wav"), 10));
    PlaybackState &playback = playbackState();
    playback.playerStarted = true;
    playback.playerPaused = true;
    QSignalSpy seeks(SignalProxy::instance(), &SignalProxy::signal_SpinposChanged);
    AudioScene *scene = m_wave.scene();

    sendSceneMouse(scene, QEvent::GraphicsSceneMousePress, {300, 10});
    EXPECT_EQ(playback.pausedSeekSource, 2);
    EXPECT_EQ(m_wave.cursor()->x(), 300);
    ASSERT_EQ(seeks.count(), 1);
    EXPECT_DOUBLE_EQ(seeks.last().at(0).toDouble(), 3.0);
    // Scrubbing follows the pointer, never past the audio.
    EXPECT_TRUE(scene->isScrubbing());
    sendSceneMouse(scene, QEvent::GraphicsSceneMouseMove, {5000, 80});
    EXPECT_EQ(m_wave.cursor()->x(), 1000);
    EXPECT_DOUBLE_EQ(seeks.last().at(0).toDouble(), 10.0);
    sendSceneMouse(scene, QEvent::GraphicsSceneMouseRelease, {5000, 80}, Qt::NoButton);
    EXPECT_FALSE(scene->isScrubbing());

    // Reports do not move the cursor until playback resumes.
    scene->slot_noticePlayState(-1, 500, -1, -1);
    EXPECT_EQ(m_wave.cursor()->x(), 1000);
    playback.playerPaused = false;
    playback.pausedSeekSource = -1;
    scene->slot_noticePlayState(-1, 500, -1, -1);
    EXPECT_EQ(m_wave.cursor()->x(), 500);

    // Below the ruler a click is no seek; while playing no pause source.
    sendSceneMouse(scene, QEvent::GraphicsSceneMousePress, {600, 100});
    sendSceneMouse(scene, QEvent::GraphicsSceneMouseRelease, {600, 100}, Qt::NoButton);
    EXPECT_EQ(seeks.count(), 2);
    sendSceneMouse(scene, QEvent::GraphicsSceneMousePress, {700, 5});
    EXPECT_EQ(playback.pausedSeekSource, -1);
}

TEST_F(AudioWaveWidgetTest, ReportsMoveTheCursorHighlightAndScroll)
{
    AudioScene *scene = m_wave.scene();
    scene->slot_noticePlayState(0, 500, 400, 600);
    EXPECT_EQ(m_wave.cursor()->x(), 0) << "ignored until loaded";

    load(silentWav(QStringLiteral("minute.wav"), 60));
    scene = m_wave.scene();
    QScrollBar *bar = m_wave.view()->horizontalScrollBar();
    const int width = m_wave.view()->viewport()->width();
    ASSERT_GT(width, 300);

    scene->slot_noticePlayState(3, 5000, 4900, 5100);
    EXPECT_EQ(m_wave.cursor()->x(), 5000);
    EXPECT_EQ(scene->highlightStart(), 4900);
    EXPECT_EQ(scene->highlightEnd(), 5100);
    EXPECT_EQ(bar->value(), 4880);

    // A line wider than the view: the cursor is followed through it.
    scene->slot_noticePlayState(4, 1500, 1000, 1000 + 3 * width);
    scene->slot_noticePlayState(4, 1500 + width, 1000, 1000 + 3 * width);
    EXPECT_EQ(bar->value(), 1480 + width);

    // Between entries: no band, the cursor kept in view.
    scene->slot_noticePlayState(-1, 200, -1.0, -1.0);
    EXPECT_EQ(scene->highlightStart(), -1.0);
    EXPECT_EQ(bar->value(), 180);
}

TEST_F(AudioWaveWidgetTest, CursorGlidesWhilePlayingAndStopsWhenPaused)
{
    load(silentWav(QStringLiteral("minute.wav"), 60));
    AudioScene *scene = m_wave.scene();
    PlaybackState &playback = playbackState();
    playback.playerStarted = true;
    playback.playerPaused = false;

    scene->slot_noticePlayState(-1, 100, -1, -1);
    EXPECT_TRUE(scene->isCursorGliding());
    QTRY_VERIFY_WITH_TIMEOUT(m_wave.cursor()->x() > 100, 2000);
    QTest::qWait(400);
    EXPECT_LE(m_wave.cursor()->x(), 125.0) << "never far past the last report";

    playback.playerPaused = true;
    QTRY_VERIFY_WITH_TIMEOUT(!scene->isCursorGliding(), 2000);
    scene->slot_noticePlayState(-1, 300, -1, -1);
    EXPECT_FALSE(scene->isCursorGliding());
    EXPECT_EQ(m_wave.cursor()->x(), 300);
}

class WavePanelTest : public ShellFixture
{
};

TEST_F(WavePanelTest, WaveformFitsTheEditorsPanel)
{
    QWidget panel;
    auto *layout = new QVBoxLayout(&panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *wave = new AudioWaveWidget(&panel);
    wave->setFixedHeight(182);
    layout->addWidget(wave);
    panel.resize(1280, 182);
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QCoreApplication::processEvents();

    currentSubtitleList().replaceDocument({waveEntry(1000, 2000, QStringLiteral("一"))});
    const QString wav = workFile(QStringLiteral("ten.wav"));
    ASSERT_TRUE(writeSilentWav(wav, 10));
    QSignalSpy finished(SignalProxy::instance(), &SignalProxy::signal_loadwavefileFinished);
    wave->slot_loadWavfile(wav);
    ASSERT_TRUE(finished.wait(10000));

    AudioScene *scene = wave->scene();
    EXPECT_EQ(scene->sceneRect().height(), 182);
    EXPECT_EQ(waveHeightFor(scene->sceneRect().height()), 130);
    ASSERT_EQ(wave->blocks().size(), 1);
    EXPECT_EQ(wave->blocks()[0]->boundingRect().height(), 182);
    EXPECT_GE(scene->sceneRect().width(), wave->view()->viewport()->width());
    EXPECT_FALSE(wave->view()->horizontalScrollBar()->isVisible()) << "the view is wider than 10 s";

    // A taller panel later: the scene and blocks follow.
    wave->setFixedHeight(220);
    QCoreApplication::processEvents();
    EXPECT_EQ(wave->scene()->sceneRect().height(), 220);
    EXPECT_EQ(wave->blocks()[0]->boundingRect().height(), 220);
}

} // namespace
