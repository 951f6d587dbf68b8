#include <QDateTime>
#include <QDirIterator>
#include <QStringEncoder>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include "installedprogram.h"
#include "peers/dbbwriter.h"
#include "platform/core/inifile.h"

// The real program, offscreen, on hostile data trees and settings files: whatever it meets,
// one SIGTERM ends it within a few seconds, the stations in its INI stay, and it writes
// nothing into the user's configuration.
namespace {

const QByteArray ThreeStations = "[Station1]\nRegion=001\nNumber=002\nName=S1\n"
                                 "[Station2]\nRegion=001\nNumber=003\nName=S2\n"
                                 "[Station3]\nRegion=001\nNumber=004\nName=S3\n";

QByteArray Ini(const QString& dataDir, const QByteArray& stations)
{
    return "[Station]\nInitialDir=" + dataDir.toUtf8() + "\n[Timezone]\nZone=0\nDaylight=0\n[Stations]\n" + stations +
           ThreeStations;
}

// Today's UTC hour h of station 1/2 in the data tree (zone 0: local is UTC).
QString HourPath(const QString& dataDir, int h)
{
    const QDate d = QDateTime::currentDateTimeUtc().date();
    return dataDir + "/" + dbbtest::LocalTreePath(1, 2, dbbtest::UtcSeconds(d.year(), d.month(), d.day(), h));
}

QString MakeHourDir(const QString& dataDir)
{
    const QString first = HourPath(dataDir, 0);
    QDir().mkpath(QFileInfo(first).absolutePath());
    return first;
}

struct Case {
    const char* name;
    // Prepares the data tree or the INI; returns the INI's bytes (empty: made by prepare).
    std::function<void(Installed&)> prepare;
    bool iniReadable = true;
};

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void RunAndTerminate(const Case& c)
{
    Installed app("qwlview");
    c.prepare(app);
    QFileInfo before(app.ini);
    const QByteArray iniBefore = before.isSymLink() ? QByteArray() : [&] {
        QFile f(app.ini);
        return f.open(QIODevice::ReadOnly) ? f.read(IniFile::MaxFileBytes + 2) : QByteArray();
    }();
    QProcess p;
    app.prepare(p);
    p.start();
    ASSERT_TRUE(p.waitForStarted(5000)) << c.name;
    // Up with its window, or waiting in a box or the station list.
    pumpUntil([&] { return !app.state().isEmpty(); }, 4000);
    ASSERT_EQ(p.state(), QProcess::Running) << c.name << ": " << p.readAllStandardError().toStdString();
    ::kill(pid_t(p.processId()), SIGTERM);
    const bool ended = waitForFinished(p, 5000);
    if (!ended) {
        p.kill();
        p.waitForFinished(5000);
    }
    ASSERT_TRUE(ended) << c.name << ": one SIGTERM did not end the program";
    EXPECT_EQ(p.exitCode(), 0) << c.name;

    if (c.iniReadable) {
        IniFile ini(app.ini);
        for (int i = 1; i <= 3; ++i)
            EXPECT_EQ(ini.ReadString(QStringLiteral("Station%1").arg(i), "Name", ""), QStringLiteral("S%1").arg(i))
                << c.name;
        EXPECT_EQ(ini.ReadInteger("Stations", "Count2", -1), 3) << c.name;
        QFile f(app.ini);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_LT(f.readAll().count('\n'), 200) << c.name;
    } else if (before.isSymLink()) {
        EXPECT_EQ(QFileInfo(app.ini).symLinkTarget(), before.symLinkTarget()) << c.name;
    } else {
        QFile f(app.ini);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.read(IniFile::MaxFileBytes + 2) == iniBefore) << c.name;
    }
    QStringList written;
    for (QDirIterator it(app.home, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
         it.hasNext();)
        written << it.next();
    written = written.filter(QStringLiteral("/.config"));
    EXPECT_TRUE(written.isEmpty()) << c.name << ": " << written.join(' ').toStdString();
}

}  // namespace

TEST(HostileProcess, SpecialAndEmptyHourFilesInTheDataTree)
{
    const Case cases[] = {
        {"hour file linked to /dev/zero",
         [](Installed& a) {
             Write(a.ini, Ini(a.dir.path(), "Activ=1\nCount2=3\n"));
             QFile::link("/dev/zero", MakeHourDir(a.dir.path()));
         }},
        {"FIFO named as an hour file",
         [](Installed& a) {
             Write(a.ini, Ini(a.dir.path(), "Activ=1\nCount2=3\n"));
             ::mkfifo(QFile::encodeName(MakeHourDir(a.dir.path())).constData(), 0600);
         }},
        {"20 GB sparse hour file",
         [](Installed& a) {
             Write(a.ini, Ini(a.dir.path(), "Activ=1\nCount2=3\n"));
             Write(MakeHourDir(a.dir.path()), QByteArray());
             QFile::resize(HourPath(a.dir.path(), 0), qint64(20) << 30);
         }},
        {"four empty hour files, each a box",
         [](Installed& a) {
             Write(a.ini, Ini(a.dir.path(), "Activ=1\nCount2=3\n"));
             MakeHourDir(a.dir.path());
             for (int h = 0; h < 4; ++h)
                 Write(HourPath(a.dir.path(), h), QByteArray());
         }},
    };
    for (const Case& c : cases)
        RunAndTerminate(c);
}

TEST(HostileProcess, DamagedAndForeignSettingsFiles)
{
    const Case cases[] = {
        {"Activ=0: the station list opens",
         [](Installed& a) { Write(a.ini, Ini(a.dir.path(), "Activ=0\nCount2=3\n")); }},
        {"Activ=2x, Count2=-5",
         [](Installed& a) { Write(a.ini, Ini(a.dir.path(), "Activ=2x\nCount2=-5\n")); }},
        {"Count2=2147483647",
         [](Installed& a) { Write(a.ini, Ini(a.dir.path(), "Activ=1\nCount2=2147483647\n")); }},
        {"data folder not mounted",
         [](Installed& a) { Write(a.ini, Ini("/nonexistent/mnt/data", "Activ=1\nCount2=3\n")); }},
        {"UTF-16 INI",
         [](Installed& a) {
             QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
             Write(a.ini, utf16.encode(QString::fromUtf8(Ini(a.dir.path(), "Activ=1\nCount2=3\n"))));
         }},
        {"INI linked to /dev/zero",
         [](Installed& a) {
             QFile::remove(a.ini);
             QFile::link("/dev/zero", a.ini);
         },
         false},
        {"INI over the size limit",
         [](Installed& a) { Write(a.ini, Ini(a.dir.path(), "Activ=1\nCount2=3\n") + QByteArray(IniFile::MaxFileBytes, ';')); },
         false},
    };
    for (const Case& c : cases)
        RunAndTerminate(c);
}
