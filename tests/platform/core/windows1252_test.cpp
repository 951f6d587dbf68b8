#include <gtest/gtest.h>

#include "platform/core/windows1252.h"

using namespace platform;

// The block that differs from Latin-1, and the bytes the code page leaves undefined.
TEST(Windows1252, MapsTheHighBlockAndKeepsUndefinedBytes)
{
    const struct {
        uchar byte;
        char16_t ch;
    } table[] = {{0x80, 0x20AC}, {0x81, 0x0081}, {0x84, 0x201E}, {0x8A, 0x0160}, {0x8D, 0x008D}, {0x8F, 0x008F},
                 {0x90, 0x0090}, {0x93, 0x201C}, {0x94, 0x201D}, {0x96, 0x2013}, {0x99, 0x2122}, {0x9D, 0x009D},
                 {0x9F, 0x0178}, {0xA0, 0x00A0}, {0xDF, 0x00DF}, {0xFC, 0x00FC}, {0x7F, 0x007F}, {0x00, 0x0000}};
    for (const auto& row : table) {
        const QByteArray byte(1, char(row.byte));
        EXPECT_EQ(FromWindows1252(byte), QString(QChar(row.ch))) << int(row.byte);
        EXPECT_EQ(ToWindows1252(QString(QChar(row.ch))), byte) << int(row.byte);
    }
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all += char(b);
    EXPECT_EQ(ToWindows1252(FromWindows1252(all)), all);
    EXPECT_TRUE(Windows1252CanHold(FromWindows1252(all)));
}

TEST(Windows1252, WhatItCannotHoldBecomesOneQuestionMarkEach)
{
    const QString text = QString::fromUtf8("Weiß – „Nord“ 5 € 中 \U0001F600 \u0080");
    EXPECT_FALSE(Windows1252CanHold(text));
    EXPECT_EQ(ToWindows1252(text), QByteArray("Wei\xdf \x96 \x84Nord\x93 5 \x80 ? ? ?"));
    EXPECT_TRUE(Windows1252CanHold(QString::fromUtf8("Weiß – „Nord“ 5 €")));
}
