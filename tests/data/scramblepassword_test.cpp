#include <QSet>
#include <gtest/gtest.h>

#include "data/scramblepassword.h"

TEST(ScramblePassword, PermutesTheCharacters48To123AndRoundTrips)
{
    QString all;
    for (int c = 32; c < 127; ++c)
        all += QChar(c);
    const QString s = ScramblePassword(all);
    ASSERT_EQ(s.size(), all.size());
    EXPECT_EQ(UnscramblePassword(s), all);
    QSet<QChar> image;
    for (int c = 48; c <= 123; ++c) {
        const QChar out = s[c - 32];
        EXPECT_GE(out.unicode(), 48);
        EXPECT_LE(out.unicode(), 123);
        image.insert(out);
    }
    EXPECT_EQ(image.size(), 76);
    for (int c : {32, 33, 47, 124, 125, 126})
        EXPECT_EQ(s[c - 32], QChar(c));
    EXPECT_NE(ScramblePassword("kqv"), "kqv");
    EXPECT_EQ(ScramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword(QString::fromUtf8("ä|~")), QString::fromUtf8("ä|~"));
}
