#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/inifile.h"

namespace {
QString writeFile(const QTemporaryDir& dir, const QByteArray& bytes)
{
    const QString path = dir.filePath(QStringLiteral("t.INI"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

const QByteArray HandWritten =
    "; written by hand\n"
    "[station]\n"
    "  initialdir =  /data/Lärm  \n"
    "Organisation=Stadt A, Amt B; Zimmer=3\n"
    "\n"
    "[Unknown Section]\n"
    "foo = bar=baz\n"
    "line without equals\n"
    "[STATIONS]\n"
    "Count2=2\n"
    "activ=1\n";
}  // namespace

TEST(IniFile, ReadsWindowsStyleNamesAndValues)
{
    QTemporaryDir dir;
    IniFile ini(writeFile(dir, HandWritten));
    EXPECT_EQ(ini.ReadString("Station", "InitialDir", "x"), QString::fromUtf8("/data/Lärm"));
    EXPECT_EQ(ini.ReadString("STATION", "organisation", ""), "Stadt A, Amt B; Zimmer=3");
    EXPECT_EQ(ini.ReadString("unknown section", "FOO", ""), "bar=baz");
    EXPECT_EQ(ini.ReadInteger("Stations", "Count2", 0), 2);
    EXPECT_EQ(ini.ReadInteger("Stations", "Activ", 0), 1);
    EXPECT_EQ(ini.ReadInteger("Stations", "Count", 7), 7);
    EXPECT_EQ(ini.ReadInteger("Station", "InitialDir", -1), -1);  // not a number: default
    EXPECT_TRUE(ini.ReadBool("Stations", "Activ", false));
    EXPECT_FALSE(ini.ReadBool("View", "Average", false));
    EXPECT_FALSE(ini.SectionExists("Form"));
    EXPECT_TRUE(ini.ValueExists("unknown SECTION", "foo"));
}

TEST(IniFile, UnchangedAndRewrittenValuesRoundTripByteForByte)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, HandWritten);
    {
        IniFile ini(path);
        ini.WriteString("Station", "InitialDir", QString::fromUtf8("/data/Lärm"));  // same value
        ini.WriteInteger("stations", "COUNT2", 2);
        ASSERT_TRUE(ini.UpdateFile());
    }
    EXPECT_EQ(readFile(path), HandWritten);

    // A Windows file in the ANSI code page with CR/LF stays in that form.
    const QByteArray ansi = "[Station]\r\nName=M\xfcnchen\r\n";
    const QString p2 = writeFile(dir, ansi);
    IniFile a(p2);
    EXPECT_EQ(a.ReadString("Station", "Name", ""), QString::fromUtf8("München"));
    a.WriteString("Station", "Other", "1");
    ASSERT_TRUE(a.UpdateFile());
    EXPECT_EQ(readFile(p2), QByteArray("[Station]\r\nName=M\xfcnchen\r\nOther=1\r\n"));
}

TEST(IniFile, WritesNewEntriesKeepsOrderAndCannotInjectLines)
{
    QTemporaryDir dir;
    const QString path = writeFile(dir, HandWritten);
    IniFile ini(path);
    ini.WriteString("Station", "Organisation", QString("x\r\n[Stations]\nActiv=9") + QChar(0) + "y");
    ini.WriteString("Station", "Sprache", "1");
    ini.WriteBool("View", "Average", true);
    ASSERT_TRUE(ini.UpdateFile());
    const QByteArray out = readFile(path);
    EXPECT_EQ(out,
        "; written by hand\n"
        "[station]\n"
        "  initialdir =  /data/Lärm  \n"
        "Organisation=x  [Stations] Activ=9 y\n"
        "Sprache=1\n"
        "\n"
        "[Unknown Section]\n"
        "foo = bar=baz\n"
        "line without equals\n"
        "[STATIONS]\n"
        "Count2=2\n"
        "activ=1\n"
        "[View]\n"
        "Average=1\n");
    IniFile again(path);
    EXPECT_EQ(again.ReadInteger("Stations", "Activ", 0), 1);
    EXPECT_EQ(again.ReadString("Station", "Organisation", ""), "x  [Stations] Activ=9 y");
}

TEST(IniFile, FailedSaveLeavesTheFileAsItWas)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir dir;
    const QString path = writeFile(dir, HandWritten);
    IniFile ini(path);
    ini.WriteInteger("Stations", "Activ", 2);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0500);
    EXPECT_FALSE(ini.UpdateFile());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(readFile(path), HandWritten);
}

TEST(IniFile, MissingFileGivesDefaultsAndIsCreatedOnSave)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("new.INI");
    IniFile ini(path);
    EXPECT_TRUE(ini.ReadOk());
    EXPECT_EQ(ini.ReadString("Station", "InitialDir", "d"), "d");
    ini.WriteString("Station", "InitialDir", "/x");
    ini.WriteInteger("Stations", "Count", 0);
    ASSERT_TRUE(ini.UpdateFile());
    EXPECT_EQ(readFile(path), "[Station]\nInitialDir=/x\n[Stations]\nCount=0\n");
}
