#include "comms/ftp/ftpprotocol.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Collected {
    int code;
    std::string text;
};

std::vector<Collected> collect(const std::vector<std::string>& lines)
{
    TFtpReplyCollector c;
    std::vector<Collected> out;
    for (const auto& l : lines)
        if (c.Add(l))
            out.push_back({c.Code(), c.Text()});
    return out;
}

TEST(FtpReplyCollector, MultiLineRepliesEndOnlyAtCodeAndBlank)
{
    // A greeting whose continuation lines begin with "220-" and with a blank is one reply,
    // handed on once with the first and the continuation lines.
    auto r = collect({"220-Welcome\r\n", "220-second line\r\n", " third\r\n", "220 ready\r\n", "331 pass\r\n"});
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].code, 220);
    EXPECT_EQ(r[0].text, "220-Welcome\r\n220-second line\r\n third\r\n");
    EXPECT_EQ(r[1].text, "331 pass\r\n");

    // Another code with a blank inside the reply does not end it; only the same code does.
    r = collect({"211-Status\r\n", "200 inner\r\n", "211 End\r\n"});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].text, "211-Status\r\n200 inner\r\n");

    // '-' without three digits before it starts nothing; a line without a code is code 0.
    r = collect({"ab-c\r\n", "12-x\r\n", "hello\r\n"});
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].code, 0);
    EXPECT_EQ(r[2].code, 0);
}

TEST(FtpReplyCollector, ReplyIsBounded)
{
    TFtpReplyCollector c;
    ASSERT_FALSE(c.Add("250-start\r\n"));
    const std::string line(1000, 'x');
    for (int i = 0; i < 200; ++i)
        ASSERT_FALSE(c.Add(line));
    ASSERT_TRUE(c.Add("250 end\r\n"));
    EXPECT_EQ(c.Text().size(), FtpMaxReply);
    EXPECT_TRUE(c.Truncated());
    EXPECT_TRUE(c.Add("200 ok\r\n"));
    EXPECT_FALSE(c.Truncated());
}

TEST(FtpReplyAction, TableOverStates)
{
    using S = TFtpProcessState;
    using A = TFtpReplyAction;
    struct Row {
        S state;
        int code;
        A action;
    };
    const Row rows[] = {
        {S::psIdle, 150, A::None},         {S::psIdle, 226, A::DataDisconnect},   {S::psIdle, 421, A::Default},
        {S::psClosed, 125, A::None},       {S::psLogin, 220, A::Greeting},        {S::psLogin, 331, A::SendPass},
        {S::psLogin, 332, A::SendAcct},    {S::psLogin, 230, A::LoggedIn},        {S::psLogin, 202, A::None},
        {S::psLogin, 530, A::Default},     {S::psGet, 150, A::None},              {S::psGet, 110, A::None},
        {S::psGet, 200, A::PopCommand},    {S::psPut, 350, A::PopCommand},        {S::psDir, 227, A::PasvConnect},
        {S::psGet, 226, A::TransferReply}, {S::psPut, 250, A::TransferReply},     {S::psGet, 202, A::Default},
        {S::psGet, 426, A::Default},       {S::psRen, 350, A::PopCommand},        {S::psRen, 250, A::ToIdleComplete},
        {S::psRen, 226, A::None},          {S::psRen, 550, A::Default},           {S::psCmd, 211, A::CmdDataAvail},
        {S::psCmd, 214, A::CmdDataAvail},  {S::psCmd, 215, A::CmdDataAvail},      {S::psCmd, 216, A::Default},
        {S::psCmd, 225, A::ToIdle},        {S::psCmd, 250, A::ToIdleComplete},    {S::psCmd, 257, A::CurrentDir},
        {S::psCmd, 550, A::Default},       {S::psMkDir, 257, A::ToIdle},          {S::psMkDir, 250, A::ToIdle},
        {S::psMkDir, 550, A::Default},
    };
    for (const Row& r : rows)
        EXPECT_EQ(FtpReplyActionName(FtpReplyAction(r.state, r.code)), std::string(FtpReplyActionName(r.action)))
            << FtpStateName(r.state) << " " << r.code;
}

TEST(FtpAddresses, PasvReplyIsRangeChecked)
{
    struct Row {
        const char* reply;
        bool ok;
        uint32_t address;
        uint16_t port;
    };
    const Row rows[] = {
        {"227 Entering Passive Mode (192,168,0,10,19,137).", true, 0xC0A8000A, 5001},
        {"227 Entering Passive Mode (127,0,0,1,255,255)", true, 0x7F000001, 65535},
        {"227 =127,0,0,1,4,1", true, 0x7F000001, 1025},
        {"227 (127,0,0,1,4)", false, 0, 0},
        {"227 (127,0,0,1,4,1,7)", false, 0, 0},
        {"227 (256,0,0,1,4,1)", false, 0, 0},
        {"227 (127,0,0,1,4,999)", false, 0, 0},
        {"227 (127,0,0,1,0,0)", false, 0, 0},
        {"227 (127,0,0,1,a,1)", false, 0, 0},
        {"227 (127,0,0,1,4,1", false, 0, 0},
        {"227 (00000000127,0,0,1,4,1)", false, 0, 0},
    };
    for (const Row& r : rows) {
        TFtpHostPort hp;
        EXPECT_EQ(ParsePasvReply(r.reply, hp), r.ok) << r.reply;
        if (r.ok) {
            EXPECT_EQ(hp.Address, r.address) << r.reply;
            EXPECT_EQ(hp.Port, r.port) << r.reply;
        }
    }
    EXPECT_EQ(FtpPortArgument(0x0A000005, 4660), "10,0,0,5,18,52");
    EXPECT_EQ(FtpQuotedDirectory("257 \"/DATA/DBB\" is the current directory"), "/DATA/DBB");
    EXPECT_EQ(FtpQuotedDirectory("257 no quotes"), "");
}

TEST(FtpArguments, LineBreaksAndNulAreRefused)
{
    EXPECT_TRUE(FtpArgumentIsSafe("DATA/DBB/2024 01"));
    EXPECT_FALSE(FtpArgumentIsSafe("a\r\nDELE b"));
    EXPECT_FALSE(FtpArgumentIsSafe("a\nb"));
    EXPECT_FALSE(FtpArgumentIsSafe(std::string("a\0b", 3)));
}

}  // namespace
