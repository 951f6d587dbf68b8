// The library's small utilities, from the examples and rules of their interface.
#include "comms/oomisc.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>

namespace {

using ZFunction = char* (*)(char*, size_t, const char*);

std::string z(ZFunction f, const char* in, size_t size = 64)
{
    char out[64] = "stale";
    return f(out, size, in);
}

TEST(OoMiscPaths, TableOfExamples)
{
    struct {
        const char* path;
        const char* pathname;
        const char* filename;
        const char* extension;
        const char* name;
    } cases[] = {
        {"D:\\DATA\\FILE.TXT", "D:\\DATA", "FILE.TXT", "TXT", "FILE"},
        {"D:\\FILE.TXT", "D:\\", "FILE.TXT", "TXT", "FILE"},
        {"FILE.TXT", "", "FILE.TXT", "TXT", "FILE"},
        {"\\FILE.TAR.GZIP", "\\", "FILE.TAR.GZIP", "GZI", "FILE"},
        {"D:FILE", "D:", "FILE", "", "FILE"},
        {"D:\\DIR.X\\FILE", "D:\\DIR.X", "FILE", "", "FILE"},
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(z(JustPathnameZ, c.path), c.pathname) << c.path;
        EXPECT_EQ(z(JustFilenameZ, c.path), c.filename) << c.path;
        EXPECT_EQ(z(JustExtensionZ, c.path), c.extension) << c.path;
        EXPECT_EQ(JustName(QString::fromLatin1(c.path)), QString::fromLatin1(c.name)) << c.path;
    }
    EXPECT_EQ(z(JustPathnameZ, "D:\\DATA\\FILE.TXT", 4), "D:\\");  // cut to the destination
    for (const char* same : {"", "D:", "D:\\DATA\\"})
        EXPECT_EQ(z(AddBackSlashZ, same), same);
    EXPECT_EQ(z(AddBackSlashZ, "D:\\DATA"), "D:\\DATA\\");
    EXPECT_EQ(AddBackSlash("\"C:\\Program Files\""), "\"C:\\Program Files\\\"");
    EXPECT_EQ(AddBackSlash("\"C:\\\""), "\"C:\\\"");

    char out[64];
    EXPECT_STREQ(ForceExtensionZ(out, sizeof out, "D:\\DIR.X\\FILE", "TXT"), "D:\\DIR.X\\FILE.TXT");
    EXPECT_STREQ(ForceExtensionZ(out, sizeof out, "FILE.DAT", "TXT"), "FILE.TXT");
    EXPECT_STREQ(DefaultExtensionZ(out, sizeof out, "FILE", "TXT"), "FILE.TXT");
    EXPECT_STREQ(DefaultExtensionZ(out, sizeof out, "FILE.DAT", "TXT"), "FILE.DAT");

    QTemporaryDir dir;
    QFile(dir.filePath("f")).open(QIODevice::WriteOnly);
    EXPECT_TRUE(ExistFileZ(QFile::encodeName(dir.filePath("f")).constData()));
    EXPECT_FALSE(ExistFileZ(QFile::encodeName(dir.path()).constData()));
    EXPECT_FALSE(ExistFileZ(QFile::encodeName(dir.filePath("g")).constData()));
}

TEST(OoMiscTexts, NumbersFlagsAndBuffers)
{
    char out[16];
    EXPECT_STREQ(Long2StrZ(out, sizeof out, -2147483647 - 1), "-2147483648");
    EXPECT_STREQ(Long2StrZ(out, 4, 123456), "123");
    struct {
        const char* text;
        bool ok;
        int32_t value;
    } numbers[] = {{"42", true, 42}, {"-7", true, -7}, {"+0", true, 0}, {"2147483647", true, 2147483647},
                   {"2147483648", false, 5}, {"", false, 5}, {"-", false, 5}, {" 1", false, 5}, {"1x", false, 5}};
    for (const auto& n : numbers) {
        int32_t v = 5;
        EXPECT_EQ(Str2LongZ(n.text, v), n.ok) << n.text;
        EXPECT_EQ(v, n.value) << n.text;
    }
    EXPECT_STREQ(StrStCopy(out, sizeof out, "ABCDEF", 2, 3), "CDE");
    EXPECT_STREQ(StrStCopy(out, sizeof out, "ABCDEF", 4, 9), "EF");
    EXPECT_STREQ(StrStCopy(out, sizeof out, "ABCDEF", 6, 1), "");

    uint32_t flags = 0x10;
    SetFlag(flags, 0x3);
    ClearFlag(flags, 0x10);
    EXPECT_EQ(flags, 0x3u);
    EXPECT_TRUE(FlagIsSet(flags, 0x6));
    EXPECT_FALSE(FlagIsSet(flags, 0x4));
    uint8_t b = 0x81;
    ClearByteFlag(b, 0x80);
    SetByteFlag(b, 0x40);
    EXPECT_EQ(b, 0x41);
    EXPECT_TRUE(ByteFlagIsSet(b, 0x40));
    EXPECT_EQ(MinWord(4000000000u, 7), 7u);

    unsigned char bytes[7] = {0x00, 0xFF, 0x0F, 0xA5, 1, 2, 3};
    NotBuffer(bytes, 6);  // the last byte stays
    const unsigned char inverted[7] = {0xFF, 0x00, 0xF0, 0x5A, 0xFE, 0xFD, 3};
    EXPECT_EQ(0, memcmp(bytes, inverted, 7));
    EXPECT_EQ(static_cast<char*>(GetPtr(bytes, 5)), reinterpret_cast<char*>(bytes) + 5);
    EXPECT_EQ(static_cast<char*>(AddWordToPtr(bytes, 2)), reinterpret_cast<char*>(bytes) + 2);
}

TEST(OoMiscProcess, ExitCodesOfStartedPrograms)
{
    EXPECT_EQ(ApWinExecAndWait32("/bin/sh", "-c \"exit 7\"", 1), 7);
    EXPECT_EQ(ApWinExecAndWait32("", "sh -c \"exit $#\" zero \"b c\" d", 1), 2);  // quotes group
    EXPECT_EQ(ApWinExecAndWait32("/bin/sh", "-c \"kill -TERM $$\"", 1), 128 + 15);
    EXPECT_EQ(ApWinExecAndWait32("/nonexistent/program", "", 1), -1);
    EXPECT_EQ(ApWinExecAndWait32("", "", 1), -1);
    EXPECT_TRUE(IsWinNT());
    EXPECT_FALSE(IsWin2000());
}

QList<QByteArray> readLines(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    TLineReader reader(&buffer);
    QList<QByteArray> lines;
    QByteArray line;
    for (int guard = 0; guard < 100 && reader.NextLine(line); ++guard)
        lines << line;
    return lines;
}

TEST(OoMiscLineReader, PagesAndLineEnds)
{
    const QByteArray page(4095, 'p');
    struct {
        QByteArray data;
        QList<QByteArray> lines;
    } cases[] = {
        {"", {}},
        {"a\r\nb\rc", {"a", "b", "c"}},
        {"a\r\n\r\nb\r\n", {"a", "", "b"}},
        {"abc\x1A", {"abc"}},
        {"a\nb", {"a\nb"}},  // only a carriage return ends a line
        {page + "\r\nx\r\n", {page, "x"}},  // the line feed opens the second page
        {page + "\r\n", {page}},
        {page + "qq" + "\r\n", {page + "qq"}},  // a line across the page boundary
    };
    for (const auto& c : cases)
        EXPECT_EQ(readLines(c.data), c.lines) << c.data.left(20).toStdString();
}

TEST(OoMiscAdStr, OneBasedEditsClippingAndCapacity)
{
    TAdStr s(4);
    EXPECT_EQ(s.BuffLen(), 5u);
    s.Append("Hello");  // grows to the new length
    EXPECT_EQ(s.MaxLen(), 5u);
    s.AppendBuff(" World");
    s.Prepend(">");
    s.Insert("_", 7);
    EXPECT_STREQ(s.Data(), ">Hello_ World");
    EXPECT_EQ(s.Copy(2, 5), "Hello");
    EXPECT_EQ(s.Copy(10, 99), "orld");
    EXPECT_EQ(s.Copy(0, 3), "");
    EXPECT_EQ(s.Copy(14, 1), "");
    s.Delete(7, 1);
    s.Delete(0, 3);
    s.Delete(99, 1);
    EXPECT_STREQ(s.Data(), ">Hello World");
    EXPECT_EQ(s.Pos("o"), 6u);
    EXPECT_EQ(s.CurChar(), 'o');
    EXPECT_EQ(s.PosIdx("o", 7), 9u);
    EXPECT_EQ(s.Pos("xyz"), 0u);
    s.GotoPos(2);
    s.MoveBy(2);
    s.Next();
    s.Prev();
    EXPECT_EQ(s.CurChar(), 'l');
    s.Last();
    EXPECT_EQ(s.CurChar(), 'd');
    s.First();
    EXPECT_EQ(s.CurChar(), '>');
    EXPECT_EQ(s.Char(99), '\0');

    s.SetLen(6);  // a terminator, the stored length stays
    EXPECT_STREQ(s.Data(), ">Hello");
    EXPECT_EQ(s.Len(), 12u);
    TAdStr t(0);
    t.Assign(s);
    t.AppendTAdStr(t);
    EXPECT_EQ(t.Len(), 24u);
    t.Resize(4);
    EXPECT_STREQ(t.Data(), ">He");
    t.SetMaxLen(8);
    EXPECT_EQ(t.Len(), 0u);
    t.Append("x");
    t.Clear();
    EXPECT_STREQ(t.Data(), "");
}

}  // namespace
