// The editor's empty-state drop areas and the message box's escape route.
#include "ShellFixture.h"

#include "base/MsgBox.h"
#include "base/SignalProxy.h"
#include "views/DragSrtWidget.h"
#include "views/VideoSelectWidget.h"

#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>

using DropAreaTest = ShellFixture;

TEST_F(DropAreaTest, MediaFilesAreAnnouncedUntilTheFirstBadName)
{
    VideoSelectWidget area;
    QSignalSpy selected(SignalProxy::instance(), &SignalProxy::signal_SelectMediafile);
    // Every Unicode character survives the program's 8-bit form; a colon
    // makes no file name.
    area.announceFiles({QStringLiteral("/m/讲座\U0001F600.mp4"), QStringLiteral("/m/talk:1.mp4"),
                        QStringLiteral("/m/later.mp4")});
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected[0][0].toString(), QStringLiteral("/m/讲座\U0001F600.mp4"));
    EXPECT_EQ(boxTexts, QStringList{QStringLiteral("非法的文件名!")});
}

TEST_F(DropAreaTest, OnlyLocalFilesOfADropCount)
{
    QMimeData data;
    data.setUrls({QUrl(QStringLiteral("https://example.org/a.srt")), QUrl::fromLocalFile(QStringLiteral("/s/b.srt")),
                  QUrl::fromLocalFile(QStringLiteral("/s/c.srt"))});
    EXPECT_EQ(DropAreaWidget::localFiles(&data), (QStringList{QStringLiteral("/s/b.srt"), QStringLiteral("/s/c.srt")}));
}

TEST_F(DropAreaTest, ClickingTheSubtitleAreaPicksATextFile)
{
    DragSrtWidget area;
    QSignalSpy selected(SignalProxy::instance(), &SignalProxy::signal_SelectTxtfile);
    const QString chosen = workFile(QStringLiteral("notes.srt"));
    fileAnswers = {chosen};
    area.slot_Labelclick();
    ASSERT_EQ(selected.count(), 1);
    EXPECT_EQ(selected[0][0].toString(), chosen);
    EXPECT_EQ(fileRequests[0].caption, QStringLiteral("打开文本文件"));
    EXPECT_EQ(fileRequests[0].filter, QStringLiteral("文本文件(*.txt;*.srt)"));
}

TEST_F(DropAreaTest, EscapeOnAQuestionCountsAsClosingIt)
{
    MsgBox box;
    box.show();
    box.reject();
    EXPECT_TRUE(box.closedOrNo);
}
