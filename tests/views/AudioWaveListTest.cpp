// The timeline beside the list editor, wired only through the hub.
#include "SrtListTestSupport.h"
#include "WaveTestSupport.h"

#include "views/AudioScene.h"
#include "views/AudioWaveWidget.h"
#include "views/MyItem.h"

#include <QTableWidget>

namespace {

class AudioWaveListTest : public SrtListFixture
{
protected:
    SrtListWidget m_list;
    AudioWaveWidget m_wave;
};

TEST_F(AudioWaveListTest, EditsOnEitherSideShowOnTheOther)
{
    m_list.slot_SelectTxtfile(
        writeSrt(QStringLiteral("two.srt"), {{1000, 2000, QStringLiteral("一")}, {3000, 4000, QStringLiteral("二")}}));
    ASSERT_EQ(m_wave.blocks().size(), 2);

    // A whole drag on the timeline: every step reaches the table's row.
    dragInScene(m_wave.scene(), {350, 100}, {450, 100}, 10);
    EXPECT_EQ(startMsOf(1), 4000);
    EXPECT_EQ(SrtListTable::cellText(m_list.table(), 1, SrtListTable::StartColumn), QStringLiteral("00:00:04,000"));
    EXPECT_EQ(SrtListTable::cellText(m_list.table(), 1, SrtListTable::EndColumn), QStringLiteral("00:00:05,000"));

    // A time typed into the table moves the block.
    m_list.table()->item(0, SrtListTable::StartColumn)->setText(QStringLiteral("00:00:00,500"));
    EXPECT_NEAR(m_wave.blocks()[0]->x(), 50, 0.01);
    // A line deleted there leaves one block.
    m_list.slot_noticeCommand(0, QStringLiteral("delete"));
    ASSERT_EQ(m_wave.blocks().size(), 1);
    EXPECT_EQ(m_wave.blocks()[0]->text(), QStringLiteral("二"));
}

} // namespace
