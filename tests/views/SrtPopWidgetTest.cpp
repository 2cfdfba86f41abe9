// The list editor's right-click pop-up.
#include "ShellFixture.h"

#include "base/ClickableLabel.h"
#include "views/SrtListCommands.h"
#include "views/SrtPopWidget.h"

#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using SrtPopWidgetTest = ShellFixture;

TEST_F(SrtPopWidgetTest, ChecksTheRowsTagAndEmitsTheChosenOne)
{
    SrtPopWidget pop;
    pop.setRow(4, 10, TagColor(255, 153, 7));
    EXPECT_TRUE(pop.colourButton(2)->isChecked());
    pop.setRow(4, 10, TagColor(1, 2, 3)); // none of the five
    EXPECT_TRUE(pop.colourButton(0)->isChecked());

    QSignalSpy tags(&pop, &SrtPopWidget::signal_noticeColorTag);
    pop.show();
    pop.colourButton(4)->click();
    ASSERT_EQ(tags.count(), 1);
    EXPECT_EQ(tags[0][0].toInt(), 4);
    EXPECT_EQ(tags[0][1].value<QColor>(), QColor(42, 120, 228));
    EXPECT_FALSE(pop.isVisible());
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(pop.colourButton(i)->accessibleName().isEmpty());
}

TEST_F(SrtPopWidgetTest, LabelsSendTheirCommandWords)
{
    SrtPopWidget pop;
    QSignalSpy commands(&pop, &SrtPopWidget::signal_noticeCommand);
    const QStringList labels {"label_MergePrev", "label_MergeNext", "label_SPlit", "label_InsertLineBefore",
        "label_InsertLineAfter", "label_Delete"};
    pop.setRow(3, 5, TagColor::defaultGray());
    for (const QString &name : labels) {
        pop.show();
        emit pop.commandLabel(name)->clicked();
        EXPECT_FALSE(pop.isVisible()) << qPrintable(name);
    }
    QStringList words;
    for (const QList<QVariant> &call : commands) {
        EXPECT_EQ(call[0].toInt(), 3);
        words << call[1].toString();
    }
    EXPECT_EQ(
        words, (QStringList {"mergeprev", "mergenext", "split", "insertlinebefore", "insertlineafter", "delete"}));

    // No neighbour to merge with: the label is off, and the word empty.
    pop.setRow(0, 1, TagColor::defaultGray());
    EXPECT_FALSE(pop.commandLabel(QStringLiteral("label_MergePrev"))->isEnabled());
    EXPECT_FALSE(pop.commandLabel(QStringLiteral("label_MergeNext"))->isEnabled());
    EXPECT_EQ(commandWordForLabel(QStringLiteral("label_MergePrev"), 0, 1), QString());
    EXPECT_EQ(commandWordForLabel(QStringLiteral("label_MergeNext"), 0, 1), QString());
    EXPECT_EQ(commandWordForLabel(QStringLiteral("label_Other"), 0, 1), QString());
}

TEST_F(SrtPopWidgetTest, HidesOnItsOwnAfterASecond)
{
    SrtPopWidget pop;
    pop.show();
    EXPECT_TRUE(pop.graceRunning());
    QTest::qWait(1200);
    EXPECT_FALSE(pop.isVisible());
}
