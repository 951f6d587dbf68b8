#include "device/rs232frames.h"

#include <gtest/gtest.h>

namespace {

TEST(Rs232Frames, RequestBytes)
{
    EXPECT_EQ(rs232::QueryFrame("info.serial"), QByteArray("\x1binfo.serial?\r"));
    EXPECT_EQ(rs232::SetFrame("station.region", "012"), QByteArray("\x1bstation.region=012\r"));
    EXPECT_EQ(rs232::SetFrame("ip.dns2", ""), QByteArray("\x1bip.dns2=\r"));
    EXPECT_EQ(rs232::CommandFrame("DATE 1700000000"), QByteArray("\x1b" "cmd=DATE 1700000000\r"));
    // Plain 8-bit text: Latin-1 characters go out as one byte each.
    EXPECT_EQ(rs232::SetFrame("k", QString::fromUtf8("\xc3\xa4")), QByteArray("\x1bk=\xe4\r"));
}

TEST(Rs232Frames, ReplyParsing)
{
    struct Row {
        QString data;
        bool error;
        bool hasValue;
        QString value;
    } rows[] = {
        {"station.region=012", false, true, "012"},
        {"x=", false, true, ""},
        {"novalue", false, false, ""},
        {"", false, false, ""},
        {"-", true, false, ""},
        {"-ERR=5", true, true, "5"},
        {"a=b=c", false, true, "b=c"},
        {"k=" + QString(120, 'v'), false, true, QString(99, 'v')},
        {"k=" + QString(99, 'w'), false, true, QString(99, 'w')},
    };
    for (const Row& r : rows) {
        const rs232::Reply p = rs232::ParseReply(r.data);
        EXPECT_EQ(p.error, r.error) << r.data.toStdString();
        EXPECT_EQ(p.hasValue, r.hasValue) << r.data.toStdString();
        EXPECT_EQ(p.value, r.value) << r.data.toStdString();
    }
}

}  // namespace
