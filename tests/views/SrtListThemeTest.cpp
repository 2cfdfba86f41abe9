// The list editor's dark colours: every text role stays readable.
#include "views/SrtListTheme.h"

#include <gtest/gtest.h>

TEST(SrtListThemeTest, TextContrastIsAtLeastFourAndAHalf)
{
    const SrtListColours &c = srtListColours();
    const struct
    {
        const char *what;
        QColor text, background;
    } pairs[] = {{"text on background", c.text, c.background},
        {"text on alternate rows", c.text, c.alternateBackground}, {"text on the highlight", c.text, c.highlight},
        {"header", c.headerText, c.headerBackground}, {"warning on background", c.warning, c.background},
        {"warning on alternate rows", c.warning, c.alternateBackground},
        {"warning on the highlight", c.warning, c.highlight}};
    for (const auto &pair : pairs)
        EXPECT_GE(contrastRatio(pair.text, pair.background), 4.5) << pair.what;
    // The rows stay apart, and so do the table and its separators.
    EXPECT_NE(c.background, c.alternateBackground);
    EXPECT_GT(contrastRatio(c.separator, c.background), 1.3);
}

TEST(SrtListThemeTest, ContrastFollowsTheStandardFormula)
{
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(Qt::white, Qt::white), 1.0, 1e-9);
    EXPECT_NEAR(contrastRatio(QColor(118, 118, 118), Qt::white), 4.54, 0.01);
}

TEST(SrtListThemeTest, UntaggedTextTakesTheTextColourAndTagsStayAsStored)
{
    const SrtListColours &c = srtListColours();
    EXPECT_EQ(tagDisplayColor(TagColor::defaultGray(), c), c.text);
    EXPECT_EQ(tagDisplayColor(TagColor(212, 49, 49), c), QColor(212, 49, 49));
    EXPECT_EQ(toTagColor(toQColor(TagColor(1, 2, 3, 4))), TagColor(1, 2, 3, 4));
    EXPECT_EQ(c.overlap, QColor(212, 49, 49));
}
