#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "common/pump.h"
#include "platform/inifile.h"
#include "platform/singleinstance.h"

namespace {
// A copy of the program under a name of our choice in a folder of its own, with a settings
// file that needs no dialog at start, and a runtime folder of its own for the instance lock.
struct Installed {
    QTemporaryDir dir;
    QString exe;
    QString ini;
    QString runtime;

    explicit Installed(const QString& name)
    {
        exe = dir.filePath(name);
        QFile::copy(QStringLiteral(QWL_PROGRAM), exe);
        QFile::setPermissions(exe, QFile::permissions(QStringLiteral(QWL_PROGRAM)));
        const int dot = name.lastIndexOf('.');
        ini = dir.filePath((dot > 0 ? name.left(dot) : name) + ".INI");
        QFile f(ini);
        f.open(QIODevice::WriteOnly);
        f.write("[Station]\nInitialDir=" + dir.path().toUtf8() +
                "\n[Stations]\nActiv=1\nCount2=1\n[Station1]\nRegion=001\nNumber=002\nName=Test\n");
        f.close();
        runtime = dir.filePath("run");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void prepare(QProcess& p) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("QWLVIEW_STATE_FILE", dir.filePath("state.txt"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(dir.path());
        p.setProgram(exe);
    }

    QString socket() const { return runtime + "/Laermwartgeraet.sock"; }

    QByteArray state() const
    {
        QFile f(dir.filePath("state.txt"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

bool waitForFinished(QProcess& p, int ms)
{
    return pumpUntil([&] { return p.state() == QProcess::NotRunning; }, ms);
}
}  // namespace

TEST(Process, SecondInstanceHandsOverAndEndsAtOnce)
{
    Installed app("qwlview");
    QProcess first;
    app.prepare(first);
    first.start();
    ASSERT_TRUE(first.waitForStarted(5000));
    ASSERT_TRUE(pumpUntil([&] { return !app.state().isEmpty(); }, 20000)) << "first instance did not come up";
    EXPECT_TRUE(QFile::exists(app.socket()));
    EXPECT_TRUE(app.state().contains("mnuSysUpdate=hidden"));

    QProcess second;
    app.prepare(second);
    second.start();
    ASSERT_TRUE(second.waitForStarted(5000));
    ASSERT_TRUE(waitForFinished(second, 10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // The first instance counts the hand-overs it served: the second instance's was number 1.
    QLocalSocket probe;
    probe.connectToServer(app.socket());
    ASSERT_TRUE(probe.waitForConnected(3000));
    probe.write("show\n");
    ASSERT_TRUE(pumpUntil([&] { return probe.canReadLine(); }, 5000));
    EXPECT_EQ(probe.readLine(), "shown 2\n");

    // SIGTERM closes the window the normal way: the settings are saved.
    first.terminate();
    ASSERT_TRUE(waitForFinished(first, 10000));
    EXPECT_EQ(first.exitCode(), 0);
    IniFile ini(app.ini);
    EXPECT_EQ(ini.ReadInteger("Stations", "Count2", -1), 1);
    EXPECT_EQ(ini.ReadString("Station1", "LoginName", ""), "kqv");
    EXPECT_TRUE(ini.ValueExists("Form", "Height"));
}

TEST(Process, ACopyNamedTolvadRunsInServiceMode)
{
    Installed app("tolvad");
    QProcess p;
    app.prepare(p);
    p.start();
    ASSERT_TRUE(p.waitForStarted(5000));
    ASSERT_TRUE(pumpUntil([&] { return !app.state().isEmpty(); }, 20000));
    EXPECT_EQ(app.state(), "ServiceMode=1\nmnuSysUpdate=visible\n");
    p.terminate();
    ASSERT_TRUE(waitForFinished(p, 10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(IniFile(app.ini).ValueExists("Stations", "Count2"));
}

TEST(Process, ParameterYhcSwitchesServiceModeOn)
{
    Installed app("qwlview");
    QProcess p;
    app.prepare(p);
    p.setArguments({"YHC"});
    p.start();
    ASSERT_TRUE(p.waitForStarted(5000));
    ASSERT_TRUE(pumpUntil([&] { return !app.state().isEmpty(); }, 20000));
    EXPECT_EQ(app.state(), "ServiceMode=1\nmnuSysUpdate=visible\n");
    p.terminate();
    EXPECT_TRUE(waitForFinished(p, 10000));
}

TEST(Process, SecondInstanceEndsQuietlyWhileTheFirstIsStillStarting)
{
    Installed app("qwlview");
    // The lock is held but nobody listens yet, as in the first instance's first moments.
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", app.runtime.toLocal8Bit());
    platform::SingleInstance starting("Laermwartgeraet");
    const bool locked = starting.Acquire();
    qputenv("XDG_RUNTIME_DIR", saved);
    ASSERT_TRUE(locked);

    QProcess p;
    app.prepare(p);
    p.start();
    ASSERT_TRUE(p.waitForStarted(5000));
    ASSERT_TRUE(waitForFinished(p, 10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(app.state().isEmpty());
    EXPECT_TRUE(p.readAllStandardError().isEmpty());
}
