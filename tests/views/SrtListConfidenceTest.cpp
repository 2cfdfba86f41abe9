// Rows of low recognition confidence: the mark, its threshold and the
// F8 / Shift+F8 steps through them.
#include "SrtListTestSupport.h"

#include "base/SignalProxy.h"
#include "project/Settings.h"
#include "views/SrtListConfidence.h"
#include "views/SrtListTheme.h"

#include <QSignalSpy>
#include <QTest>

using namespace SrtListTable;

namespace {

class SrtListConfidenceTest : public SrtListFixture
{
protected:
    // One-second entries, one per confidence, as a recognition result
    // leaves them in the list.
    static void load(SrtListWidget &list, const QVector<int> &confidences, const QString &text = QStringLiteral("好"))
    {
        SubtitleEntries entries;
        for (int i = 0; i < confidences.size(); ++i) {
            SubtitleEntry entry;
            entry.number = i + 1;
            entry.extraNumber = confidences[i];
            entry.startTime = millisecondsToTimeCode(i * 1000);
            entry.endTime = millisecondsToTimeCode((i + 1) * 1000);
            entry.text = toLocal8(text);
            entries << entry;
        }
        currentSubtitleList().replaceDocument(entries);
        list.slot_loadSrtData();
    }

    static QString numberTip(const SrtListWidget &list, int row)
    {
        return list.table()->item(row, NumberColumn)->toolTip();
    }

    static QVariant numberColour(const SrtListWidget &list, int row)
    {
        return list.table()->item(row, NumberColumn)->data(Qt::ForegroundRole);
    }

    void showActive(SrtListWidget &list)
    {
        list.show();
        list.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&list));
    }
};

} // namespace

TEST_F(SrtListConfidenceTest, OnlyAKnownConfidenceUnderTheThresholdIsMarked)
{
    SrtListWidget list;
    ASSERT_EQ(list.minConfidence(), kDefaultMinConfidence);
    load(list, {0, 42, 59, 60, 100, -5});
    for (int row : {0, 3, 4, 5}) {
        EXPECT_TRUE(numberTip(list, row).isEmpty()) << row;
        EXPECT_FALSE(numberColour(list, row).isValid()) << row;
    }
    EXPECT_EQ(numberTip(list, 1), QStringLiteral("识别置信度 42%，建议复核"));
    EXPECT_EQ(numberColour(list, 1).value<QColor>(), doubtfulColour());
    EXPECT_EQ(numberTip(list, 2), QStringLiteral("识别置信度 59%，建议复核"));
    // The number column still shows the number.
    EXPECT_EQ(SrtListTable::cellText(list.table(), 1, NumberColumn), QStringLiteral("2"));

    // Also too fast: the mark's colour, and both reasons in the tooltip.
    load(list, {30}, QString(25, QChar(0x4E00)));
    EXPECT_EQ(numberColour(list, 0).value<QColor>(), doubtfulColour());
    EXPECT_TRUE(numberTip(list, 0).startsWith(QStringLiteral("识别置信度 30%，建议复核\n语速过快")));
}

TEST_F(SrtListConfidenceTest, TheMarkStandsApartAndStaysReadable)
{
    const SrtListColours &c = srtListColours();
    for (const QColor &background : {c.background, c.alternateBackground, c.highlight})
        EXPECT_GE(contrastRatio(doubtfulColour(), background), 4.5) << background.name().toStdString();
    EXPECT_NE(doubtfulColour(), c.warning);
    EXPECT_NE(doubtfulColour(), c.overlap);
    EXPECT_NE(doubtfulColour(), c.text);
}

TEST_F(SrtListConfidenceTest, TheThresholdComesFromTheSettings)
{
    writeSetting(ConfidenceKeys::MinConfidence, QStringLiteral(" 80 "));
    {
        SrtListWidget list;
        EXPECT_EQ(list.minConfidence(), 80);
        load(list, {70, 80});
        EXPECT_FALSE(numberTip(list, 0).isEmpty());
        EXPECT_TRUE(numberTip(list, 1).isEmpty());
        // A change shows at once.
        list.setMinConfidence(0);
        EXPECT_TRUE(numberTip(list, 0).isEmpty());
    }
    const auto from = [](const QString &text) {
        return minConfidenceFrom(
            [&](const QString &key) { return key == QStringLiteral("/BaseSet/MinConfidence") ? text : QString(); });
    };
    EXPECT_EQ(from(QStringLiteral("0")), 0);
    EXPECT_EQ(from(QStringLiteral("100")), 100);
    for (const char *bad : {"", "abc", "55.5", "-1", "101"})
        EXPECT_EQ(from(QString::fromLatin1(bad)), kDefaultMinConfidence) << bad;
}

TEST_F(SrtListConfidenceTest, F8AndShiftF8StepLikeClicksAndWrap)
{
    SrtListWidget list;
    showActive(list);
    load(list, {90, 10, 0, 50, 70});
    playbackState().playerStarted = true;
    QSignalSpy seeks(SignalProxy::instance(), &SignalProxy::signal_SpinposChanged);

    QList<int> visited;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(&list, Qt::Key_F8);
        visited << list.highlightedRow();
    }
    EXPECT_EQ(visited, (QList<int> {1, 3, 1}));
    EXPECT_EQ(list.table()->currentRow(), 1);
    EXPECT_EQ(list.clickedRow(), 1);
    EXPECT_EQ(
        list.table()->item(1, NumberColumn)->data(Qt::BackgroundRole).value<QColor>(), srtListColours().highlight);
    ASSERT_EQ(seeks.count(), 3);
    EXPECT_DOUBLE_EQ(seeks[1][0].toDouble(), 3.0);

    QTest::keyClick(&list, Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(list.highlightedRow(), 3);
    QTest::keyClick(&list, Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(list.highlightedRow(), 1);

    // From a clicked row, not from the last step.
    list.slot_tablewidgetcellClicked(4, TextColumn);
    QTest::keyClick(&list, Qt::Key_F8);
    EXPECT_EQ(list.highlightedRow(), 1);
    list.slot_tablewidgetcellClicked(2, TextColumn);
    QTest::keyClick(&list, Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(list.highlightedRow(), 1);
    // The overlap stepping keeps its own place.
    EXPECT_EQ(list.overlapCursor(), -1);
}

TEST_F(SrtListConfidenceTest, F8WithoutDoubtfulRowsChangesNothing)
{
    SrtListWidget list;
    showActive(list);
    QTest::keyClick(&list, Qt::Key_F8); // an empty list
    load(list, {0, 60, 99});
    playbackState().playerStarted = true;
    list.table()->setCurrentCell(2, TextColumn); // as a real click does
    list.slot_tablewidgetcellClicked(2, TextColumn);
    QSignalSpy seeks(SignalProxy::instance(), &SignalProxy::signal_SpinposChanged);

    QTest::keyClick(&list, Qt::Key_F8);
    QTest::keyClick(&list, Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_EQ(list.highlightedRow(), 2);
    EXPECT_EQ(list.table()->currentRow(), 2);
    EXPECT_EQ(seeks.count(), 0);
}
