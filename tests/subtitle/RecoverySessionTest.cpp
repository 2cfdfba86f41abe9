#include "subtitle/LocalCodec.h"
#include "subtitle/RecoverySession.h"
#include "subtitle/SubtitleWriters.h"

#include "SubtitleTestSupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(RecoverySession, CopyFromAnUncleanExitIsOfferedOnce)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("recovery");
    const SubtitleEntries work = {makeEntry(1000, 2000, toLocal8(QString::fromUtf8("한국어 😀 你好")))};
    {
        RecoverySession crashed(folder);
        ASSERT_TRUE(crashed.begin());
        EXPECT_FALSE(crashed.hasCopyFromUncleanExit());
        ASSERT_TRUE(writeSrtFile(work, crashed.copyPath(), "UTF-8")); // as the autosave writes it

        // While that run holds the folder, a second program gets no copy.
        RecoverySession second(folder);
        EXPECT_FALSE(second.begin());
        EXPECT_TRUE(second.copyPath().isEmpty());
    } // gone without end(): a crash as far as the folder can tell

    RecoverySession next(folder);
    ASSERT_TRUE(next.begin());
    EXPECT_TRUE(next.hasCopyFromUncleanExit());
    SubtitleEntries restored;
    ASSERT_TRUE(next.readCopy(&restored));
    ASSERT_EQ(restored.size(), 1);
    EXPECT_EQ(restored[0].text, work[0].text);
    EXPECT_EQ(restored[0].startTime, work[0].startTime);
    next.discardCopy();
    EXPECT_FALSE(next.hasCopyFromUncleanExit());
    EXPECT_FALSE(QFile::exists(next.copyPath()));

    ASSERT_TRUE(writeSrtFile(work, next.copyPath(), "UTF-8"));
    next.end(); // a clean exit
    RecoverySession after(folder);
    ASSERT_TRUE(after.begin());
    EXPECT_FALSE(after.hasCopyFromUncleanExit());
}
