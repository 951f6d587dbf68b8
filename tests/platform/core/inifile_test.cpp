#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/tmpfs.h"
#include "platform/core/inifile.h"

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

// A shared installation: the folder is not writable for the user, the INI (the user's) is: it
// is written in place; an INI the user may not write stays as it was. Root passes every
// permission, so as root the saves run as "nobody" through setpriv.
TEST(IniFile, SaveIntoAFolderWithoutWriteAccessWritesInPlace)
{
    if (const QString path = qEnvironmentVariable("QWL_TEST_INI"); !path.isEmpty()) {  // the run as nobody
        IniFile ini(path);
        ini.WriteInteger("Stations", "Activ", 2);
        EXPECT_EQ(ini.UpdateFile(), QFileInfo(path).ownerId() == geteuid());
        return;
    }
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path());
    for (const bool writable : {true, false}) {
        const QString path = writeFile(dir, HandWritten);
        if (geteuid() == 0) {
            ::chmod(folder.constData(), 0755);
            ASSERT_EQ(::chown(QFile::encodeName(path).constData(), writable ? 65534 : 0, 0), 0);
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("QWL_TEST_INI", path);
            p.setProcessEnvironment(env);
            p.start("setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", QCoreApplication::applicationFilePath(),
                                "--gtest_filter=IniFile.SaveIntoAFolderWithoutWriteAccessWritesInPlace"});
            if (!p.waitForFinished(60000) || p.exitCode() == 127)
                GTEST_SKIP() << "cannot run as another user here";
            EXPECT_EQ(p.exitCode(), 0) << p.readAll().toStdString();
        } else {
            ::chmod(QFile::encodeName(path).constData(), writable ? 0600 : 0400);
            ::chmod(folder.constData(), 0500);
            IniFile ini(path);
            ini.WriteInteger("Stations", "Activ", 2);
            EXPECT_EQ(ini.UpdateFile(), writable);
            ::chmod(folder.constData(), 0700);
        }
        EXPECT_EQ(readFile(path), writable ? QByteArray(HandWritten).replace("activ=1", "activ=2") : HandWritten);
        QFile::remove(path);
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty());  // no temporary file left
}

// A full disk, with no room and with room for the first page of the new file: the save fails
// with the system's reason and the old file keeps its bytes; no temporary file stays.
TEST(IniFile, SaveOntoAFullDiskKeepsTheOldBytes)
{
    QWL_RUN_ON_OWN_TMPFS(256);
    const QString dir = testing_support::OwnTmpfsDir(), path = dir + "/t.INI";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(HandWritten) > 0);
    }
    for (const qint64 room : {0, 4096}) {
        const QByteArray before = readFile(path);
        ASSERT_TRUE(testing_support::FillDiskLeaving(dir, room)) << room;
        IniFile ini(path);
        for (int i = 1; i <= 20; ++i)
            ini.WriteString(QStringLiteral("Station%1").arg(i), "Name", QString(400 + room, u'x'));
        QString reason;
        EXPECT_TRUE(!ini.UpdateFile(&reason) && reason == QString::fromLocal8Bit(std::strerror(ENOSPC))) << room;
        EXPECT_EQ(readFile(path), before) << room;
        EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList({"filler", "t.INI"})) << room;
        EXPECT_TRUE(QFile::remove(dir + "/filler") && ini.UpdateFile());  // with room again
    }
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

TEST(IniFile, KeepsTheEncodingAndTheBytesOfTheFile)
{
    QTemporaryDir dir;
    // Unchanged files come back byte for byte: a byte-order mark, mixed line ends, no final newline.
    for (const QByteArray& bytes : {QByteArray("\xEF\xBB\xBF[Station]\r\nName=A\nOther=1"),
                                    QByteArray("[Station]\nName=A\r\n\r\n[B]\ny=2\n\n")}) {
        const QString path = writeFile(dir, bytes);
        IniFile ini(path);
        ini.WriteString("Station", "Name", "A");
        ASSERT_TRUE(ini.UpdateFile());
        EXPECT_EQ(readFile(path), bytes);
    }

    // UTF-16 with its byte-order mark, as Windows writes Unicode files, in both byte orders.
    const QString text = QString::fromUtf8("[Station]\r\nName=Zürich\r\n");
    for (auto order : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        QStringEncoder enc(order, QStringConverter::Flag::WriteBom);
        const QString path = writeFile(dir, enc.encode(text));
        IniFile ini(path);
        EXPECT_EQ(ini.ReadString("Station", "Name", ""), QString::fromUtf8("Zürich"));
        ini.WriteString("Station", "Name", QString::fromUtf8("Zürich-Ost"));
        ini.WriteInteger("Stations", "Count2", 1);
        ASSERT_TRUE(ini.UpdateFile());
        QStringEncoder again(order, QStringConverter::Flag::WriteBom);
        EXPECT_EQ(readFile(path),
                  QByteArray(again.encode(QString::fromUtf8("[Station]\r\nName=Zürich-Ost\r\n[Stations]\r\nCount2=1\r\n"))));
    }
}

// The older program's Windows-1252 file: read exactly, unchanged kept byte for byte, edited in
// its own encoding; a value it cannot hold fails the save and leaves the file untouched.
TEST(IniFile, AnEightBitFileIsWindows1252BothWays)
{
    QTemporaryDir dir;
    const QByteArray ansi =
        "[S1]\r\nName=Wei\xdf \x96 \x84Nord\x93 5 \x80 \x8A\x99\xff\x81\x8D\x9D\r\n[S2]\r\nName=S\374d\r\n";
    const QString path = writeFile(dir, ansi);
    for (const auto& [name, line] : {std::pair{"Süd", "S\374d"}, {"Süd €", "S\374d \x80"}, {"中", "S\374d \x80"}}) {
        IniFile ini(path);
        EXPECT_EQ(ini.ReadString("S1", "Name", ""), QString::fromUtf8("Weiß – „Nord“ 5 € Š™ÿ\u0081\u008D\u009D"));
        ini.WriteString("S2", "Name", QString::fromUtf8(name));
        EXPECT_EQ(ini.UpdateFile(), *name == 'S') << name;
        EXPECT_EQ(readFile(path), ansi.left(ansi.lastIndexOf('=') + 1) + line + "\r\n") << name;
    }
}

// What is no settings file is neither read without bound nor replaced.
TEST(IniFile, RefusesSpecialAndHugeFilesAndLeavesThemAlone)
{
    QTemporaryDir dir;
    const QString zero = dir.filePath(QStringLiteral("zero.INI"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString fifo = dir.filePath(QStringLiteral("fifo.INI"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = dir.filePath(QStringLiteral("huge.INI"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Stations]\nCount2=1\n");
        f.resize(IniFile::MaxFileBytes + 1);
    }
    for (const QString& path : {zero, fifo, huge}) {
        IniFile ini(path);
        EXPECT_FALSE(ini.ReadOk()) << path.toStdString();
        ini.WriteInteger("Stations", "Count2", 2);
        EXPECT_FALSE(ini.UpdateFile());
    }
    EXPECT_EQ(QFileInfo(huge).size(), IniFile::MaxFileBytes + 1);
    EXPECT_EQ(QFileInfo(zero).symLinkTarget(), QStringLiteral("/dev/zero"));
}
