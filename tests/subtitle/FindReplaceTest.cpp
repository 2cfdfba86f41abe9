#include "subtitle/FindReplace.h"
#include "subtitle/LocalCodec.h"

#include "SubtitleTestSupport.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

SubtitleEntries texts(const QStringList &lines)
{
    SubtitleEntries entries;
    for (const QString &line : lines)
        entries.append(makeEntry(0, 1000, toLocal8(line)));
    return entries;
}

FindQuery query(const QString &text, Qt::CaseSensitivity cs = Qt::CaseInsensitive, bool wrap = true)
{
    FindQuery q;
    q.text = text;
    q.caseSensitivity = cs;
    q.wrapAround = wrap;
    return q;
}

} // namespace

TEST(FindReplace, StepsThroughMatchesBothWaysAndWraps)
{
    const SubtitleEntries entries = texts({"Cat and cat", "none", "你好，猫 cat"});
    const FindQuery cat = query("cat");

    // Forward from the end of each match.
    QVector<TextMatch> forward;
    TextMatch m = findNext(entries, cat, 0, 0);
    for (int i = 0; i < 4 && m.found(); ++i) {
        forward.append(m);
        m = findNext(entries, cat, m.row, m.position + m.length);
    }
    EXPECT_EQ(forward, QVector<TextMatch>({{0, 0, 3}, {0, 8, 3}, {2, 5, 3}, {0, 0, 3}}));

    // Backward from the start of each match.
    EXPECT_EQ(findPrevious(entries, cat, 2, 5), (TextMatch{0, 8, 3}));
    EXPECT_EQ(findPrevious(entries, cat, 0, 8), (TextMatch{0, 0, 3}));
    EXPECT_EQ(findPrevious(entries, cat, 0, 0), (TextMatch{2, 5, 3}));

    EXPECT_EQ(findNext(entries, query("cat", Qt::CaseSensitive), 0, 0), (TextMatch{0, 8, 3}));
    EXPECT_EQ(findNext(entries, query("猫"), 1, 0), (TextMatch{2, 3, 1}));
    EXPECT_FALSE(findNext(entries, query("cat", Qt::CaseInsensitive, false), 2, 6).found());
    EXPECT_FALSE(findPrevious(entries, query("cat", Qt::CaseInsensitive, false), 0, 0).found());
    EXPECT_FALSE(findNext(entries, query("dog"), 0, 0).found());
    EXPECT_FALSE(findNext(entries, query(""), 0, 0).found());
    EXPECT_FALSE(findNext(SubtitleEntries(), cat, 0, 0).found());

    // A single match is found again from either side of itself.
    const SubtitleEntries one = texts({"x cat x"});
    EXPECT_EQ(findNext(one, cat, 0, 5), (TextMatch{0, 2, 3}));
    EXPECT_EQ(findPrevious(one, cat, 0, 2), (TextMatch{0, 2, 3}));
}

TEST(FindReplace, ReplacesOneMatchOrAll)
{
    SubtitleEntries entries = texts({"Cat and cat", "none", "你好，猫 CAT"});
    const FindQuery cat = query("cat");

    SubtitleEntry first = entries[0];
    EXPECT_TRUE(replaceMatch(first, {0, 8, 3}, cat, QString::fromUtf8("狗")));
    EXPECT_EQ(fromLocal8(first.text), QString::fromUtf8("Cat and 狗"));
    // A match that went stale (the text changed since) is refused.
    EXPECT_FALSE(replaceMatch(first, {0, 8, 3}, cat, "dog"));
    EXPECT_EQ(fromLocal8(first.text), QString::fromUtf8("Cat and 狗"));

    const QByteArray untouched = entries[1].text;
    EXPECT_EQ(replaceAll(entries, cat, "dog"), 3);
    EXPECT_EQ(fromLocal8(entries[0].text), "dog and dog");
    EXPECT_EQ(fromLocal8(entries[2].text), QString::fromUtf8("你好，猫 dog"));
    EXPECT_TRUE(entries[1].text.isSharedWith(untouched)); // costs an undo step nothing
    EXPECT_EQ(replaceAll(entries, query("DOG", Qt::CaseSensitive), "x"), 0);
    EXPECT_EQ(replaceAll(entries, query(""), "x"), 0);
}
