// The library's small utilities, from the examples and rules of their interface.
#include "comms/core/oomisc.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <string>
#include <type_traits>

namespace {

template <typename F, typename... A>
std::string z(F f, A... args)
{
    char out[64] = "stale";
    return f(out, sizeof out, args...);
}

TEST(OoMiscTexts, PathsNumbersFlagsAndPrograms)
{
    const char* paths[][5] = {  // path, folder, file name, extension, name
        {"D:\\DATA\\FILE.TXT", "D:\\DATA", "FILE.TXT", "TXT", "FILE"},
        {"D:\\FILE.TXT", "D:\\", "FILE.TXT", "TXT", "FILE"}, {"FILE.TXT", "", "FILE.TXT", "TXT", "FILE"},
        {"\\F.TAR.GZIP", "\\", "F.TAR.GZIP", "GZI", "F"}, {"D:FILE", "D:", "FILE", "", "FILE"},
        {"D:\\DIR.X\\FILE", "D:\\DIR.X", "FILE", "", "FILE"}};
    for (const auto& p : paths) {
        EXPECT_EQ(z(JustPathnameZ, p[0]), p[1]) << p[0];
        EXPECT_EQ(z(JustFilenameZ, p[0]), p[2]) << p[0];
        EXPECT_EQ(z(JustExtensionZ, p[0]), p[3]) << p[0];
        EXPECT_EQ(JustName(p[0]), p[4]) << p[0];
        const std::string path = p[0], stem = *p[3] ? path.substr(0, path.rfind('.')) : path;
        EXPECT_EQ(z(ForceExtensionZ, p[0], "LOG"), stem + ".LOG");
        EXPECT_EQ(z(DefaultExtensionZ, p[0], "LOG"), *p[3] ? path : path + ".LOG");
    }
    char cut[4];
    EXPECT_STREQ(JustPathnameZ(cut, sizeof cut, "D:\\DATA\\FILE.TXT"), "D:\\");
    for (const char* same : {"", "D:", "D:\\DATA\\"})
        EXPECT_EQ(z(AddBackSlashZ, same), same);
    EXPECT_EQ(z(AddBackSlashZ, "D:\\DATA"), "D:\\DATA\\");
    EXPECT_EQ(AddBackSlash("\"C:\\Program Files\""), "\"C:\\Program Files\\\"");
    EXPECT_EQ(z(Long2StrZ, -2147483647 - 1), "-2147483648");
    int32_t v = 5;
    for (const char* bad : {"2147483648", "", "-", " 1", "1x"})
        EXPECT_FALSE(Str2LongZ(bad, v) || v != 5) << bad;
    EXPECT_TRUE(Str2LongZ("-7", v) && v == -7);
    EXPECT_EQ(z(StrStCopy, "ABCDEF", 2u, 3u) + z(StrStCopy, "ABCDEF", 4u, 9u) + z(StrStCopy, "AB", 2u, 1u), "CDEEF");
    unsigned char bytes[7] = {0x00, 0xFF, 0x0F, 0xA5, 1, 2, 3};
    NotBuffer(bytes, 6);  // four at a time, then the rest; the last byte stays
    EXPECT_EQ(QByteArray(reinterpret_cast<char*>(bytes), 7), QByteArray("\xFF\x00\xF0\x5A\xFE\xFD\x03", 7));
    // Programs started and waited for.
    EXPECT_EQ(ApWinExecAndWait32("/bin/sh", "-c \"exit 7\"", 1), 7);
    EXPECT_EQ(ApWinExecAndWait32("", "sh -c \"exit $#\" zero \"b c\" d", 1), 2);  // quotes group
    EXPECT_EQ(ApWinExecAndWait32("/bin/sh", "-c \"kill -TERM $$\"", 1), 128 + 15);
    EXPECT_EQ(ApWinExecAndWait32("/nonexistent/program", "", 1), -1);
    EXPECT_TRUE(IsWinNT() && !IsWin2000());
}

TEST(OoMiscLineReader, PagesAndLineEnds)
{
    const QByteArray page(4095, 'p');
    // A short page that does not end in CR gets one, also behind CR LF or a lone LF.
    const std::pair<QByteArray, QList<QByteArray>> cases[] = {{"", {}}, {"a\r\nb\rc", {"a", "b", "c"}},
        {"abc\r\n", {"abc", ""}}, {"\n", {""}}, {"abc\r", {"abc"}}, {"a\r\n\r\nb\r\n", {"a", "", "b", ""}},
        {"abc\x1A", {"abc"}}, {page + "\r\nx\r\n", {page, "x", ""}}, {page + "\r\n", {page, ""}},
        {page + "qq\r\n", {page + "qq", ""}}};
    for (const auto& [data, lines] : cases) {
        QBuffer buffer(const_cast<QByteArray*>(&data));
        buffer.open(QIODevice::ReadOnly);
        TLineReader reader(&buffer);
        QList<QByteArray> got;
        for (QByteArray line; got.size() < 9 && reader.NextLine(line);)
            got << line;
        EXPECT_EQ(got, lines) << data.left(12).toStdString();
    }
}

TEST(OoMiscAdStr, OneBasedEditsClippingAndCapacity)
{
    TAdStr s(4);
    s.Append("Hello");  // grows to the new length
    EXPECT_EQ(s.MaxLen(), 5u);
    s.AppendBuff(" World");
    s.Prepend(">");
    s.Insert("_", 7);
    EXPECT_STREQ(s.Data(), ">Hello_ World");
    EXPECT_EQ(s.Copy(2, 5) + s.Copy(10, 99) + s.Copy(0, 3) + s.Copy(14, 1), "Helloorld");
    for (auto [pos, count] : {std::pair{7u, 1u}, {0u, 3u}, {99u, 1u}})
        s.Delete(pos, count);
    EXPECT_STREQ(s.Data(), ">Hello World");
    EXPECT_TRUE(s.Pos("o") == 6 && s.CurChar() == 'o');
    EXPECT_EQ(s.PosIdx("o", 7) + s.Pos("xyz"), 9u);
    s.GotoPos(2);
    s.MoveBy(2);
    EXPECT_EQ(s.CurChar(), 'l');
    s.Last();
    EXPECT_EQ(s.CurChar(), 'd');
    s.SetLen(6);  // a terminator, the stored length stays
    EXPECT_TRUE(QByteArray(s.Data()) == ">Hello" && s.Len() == 12);
    TAdStr t(0);
    t.Assign(s);
    t.AppendTAdStr(t);
    EXPECT_EQ(t.Len(), 24u);
    t.Resize(4);
    EXPECT_STREQ(t.Data(), ">He");
    t.SetMaxLen(8);  // a new buffer, empty
    EXPECT_TRUE(t.Len() == 0 && t.BuffLen() == 9);
    static_assert(std::is_empty_v<TAdStrCur> && std::is_trivially_copyable_v<TAdStrCur>);
}

}  // namespace
