// The list editor's autosave: which file it writes, when, and that opening
// another file can never cross the two.
#include "SrtListTestSupport.h"

#include "project/AutoSaveThread.h"
#include "views/SrtListAutoSave.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QThread>

using namespace SrtListTable;

namespace {

struct Write
{
    QString path;
    QStringList texts;
};

// Records what the autosave would write instead of writing it.
class WriteLog
{
public:
    AutoSaveWriter writer()
    {
        return [this](const SubtitleEntries &entries, const QString &path, const QString &) {
            Write write {path, {}};
            for (const SubtitleEntry &entry : entries)
                write.texts << fromLocal8(entry.text);
            QMutexLocker locker(&m_mutex);
            m_writes << write;
            return true;
        };
    }
    QVector<Write> writes() const
    {
        QMutexLocker locker(&m_mutex);
        return m_writes;
    }
    bool waitFor(int count, int timeoutMs = 2000) const
    {
        QElapsedTimer timer;
        timer.start();
        while (writes().size() < count && timer.elapsed() < timeoutMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return writes().size() >= count;
    }

private:
    mutable QMutex m_mutex;
    QVector<Write> m_writes;
};

class SrtListAutoSaveTest : public SrtListFixture
{
protected:
    void SetUp() override
    {
        SrtListFixture::SetUp();
        playbackState().playerStarted = true;
        m_list.autoSave()->setWriter(m_log.writer());
        m_list.autoSave()->setIntervalMs(20);
    }

    SrtListWidget m_list;
    WriteLog m_log;
};

} // namespace

TEST_F(SrtListAutoSaveTest, AnOpenedFileIsRewrittenOnlyAfterAnEdit)
{
    const QString path = writeSrt(QStringLiteral("keep.srt"), fourCues());
    m_list.slot_SelectTxtfile(path);
    // Highlighting, a rebuild and the editor starting touch nothing.
    m_list.slot_noticePlayState(1, 0, 0, 0);
    m_list.slot_loadSrtData();
    settle(150);
    EXPECT_TRUE(m_log.writes().isEmpty());

    m_list.table()->item(1, TextColumn)->setText(QStringLiteral("乙"));
    ASSERT_TRUE(m_log.waitFor(1));
    EXPECT_EQ(m_log.writes()[0].path, path);
    EXPECT_EQ(m_log.writes()[0].texts, (QStringList {"一", "乙", "三", "四"}));
    settle(100);
    EXPECT_EQ(m_log.writes().size(), 1);
}

TEST_F(SrtListAutoSaveTest, OpeningAnotherFileNeverCrossesTheTwo)
{
    const QString first = writeSrt(QStringLiteral("first.srt"), fourCues());
    const QString second = writeSrt(QStringLiteral("second.srt"), {{0, 1000, QStringLiteral("第二个文件")}});
    m_list.slot_SelectTxtfile(first);
    m_list.table()->item(0, TextColumn)->setText(QStringLiteral("甲"));
    ASSERT_TRUE(m_log.waitFor(1));

    // Hold the editor between replacing the list and naming the new file,
    // long enough for the worker to write several times over.
    m_list.autoSave()->setIntervalMs(0);
    QObject context;
    QObject::connect(
        &currentSubtitleList(), &SubtitleList::changed, &context, [] { QThread::msleep(100); }, Qt::DirectConnection);
    m_list.slot_SelectTxtfile(second);
    QObject::disconnect(&currentSubtitleList(), nullptr, &context, nullptr);
    settle(100);

    EXPECT_EQ(m_log.writes().size(), 1);
    EXPECT_EQ(currentProject().subtitleFilePath, second);
    // Now the second file is the target, and only its own list goes there.
    m_list.table()->item(0, TextColumn)->setText(QStringLiteral("改"));
    ASSERT_TRUE(m_log.waitFor(2));
    EXPECT_EQ(m_log.writes().last().path, second);
    EXPECT_EQ(m_log.writes().last().texts, QStringList {"改"});
}

TEST_F(SrtListAutoSaveTest, TheTargetFollowsTheProject)
{
    SrtListAutoSave autoSave(currentSubtitleList());
    autoSave.newDocument(QStringLiteral("/w/a.srt"), 2, false);
    // Playback starting is passed on without giving up unsaved work.
    autoSave.follow(QStringLiteral("/w/a.srt"), 2, true);
    EXPECT_EQ(autoSave.target().subtitleFilePath, QStringLiteral("/w/a.srt"));
    EXPECT_TRUE(autoSave.target().playerStarted);
    autoSave.follow(QStringLiteral("/w/b.srt"), 1, true);
    EXPECT_EQ(autoSave.target().subtitleFilePath, QStringLiteral("/w/b.srt"));
    EXPECT_EQ(autoSave.target().textEncoding, 1);
    autoSave.clearTarget();
    EXPECT_TRUE(autoSave.target().subtitleFilePath.isEmpty());

    // The editor forgets its target when the project is reset: whatever
    // fills the list next is not written to the old file.
    const QString path = writeSrt(QStringLiteral("r.srt"), fourCues());
    m_list.slot_SelectTxtfile(path);
    m_list.table()->item(0, TextColumn)->setText(QStringLiteral("甲"));
    ASSERT_TRUE(m_log.waitFor(1));
    resetCurrentProject();
    SubtitleEntry fresh;
    fresh.text = toLocal8(QStringLiteral("新"));
    currentSubtitleList().replaceDocument({fresh});
    settle(150);
    EXPECT_EQ(m_log.writes().size(), 1);
}

TEST_F(SrtListAutoSaveTest, StopsWhenTheEditorGoes)
{
    auto list = std::make_unique<SrtListWidget>();
    QThread *worker = list->autoSave();
    EXPECT_TRUE(worker->isRunning());
    QElapsedTimer timer;
    timer.start();
    list.reset();
    EXPECT_LT(timer.elapsed(), 1000);
}
