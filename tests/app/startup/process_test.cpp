#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

#include "common/pump.h"
#include "installedprogram.h"
#include "platform/core/inifile.h"
#include "platform/gui/singleinstance.h"

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
    const bool locked = starting.Acquire() == platform::SingleInstance::Lock::Owned;
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

TEST(Process, WithoutALockTheProgramSaysSoAndStartsAnyway)
{
    Installed app("qwlview");
    QProcess p;
    app.prepare(p);
    // No usable runtime folder, and the user's own folder has been replaced by a link.
    QProcessEnvironment env = p.processEnvironment();
    env.insert("XDG_RUNTIME_DIR", app.ini);
    env.insert("TMPDIR", app.dir.path());
    p.setProcessEnvironment(env);
    QFile::link(app.runtime, app.dir.filePath(QStringLiteral("qwlview-%1").arg(getuid())));
    p.start();
    ASSERT_TRUE(p.waitForStarted(5000));
    ASSERT_TRUE(pumpUntil([&] { return !app.state().isEmpty(); }, 20000)) << "did not start";
    p.terminate();
    ASSERT_TRUE(waitForFinished(p, 10000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(p.readAllStandardError().contains("no single-instance lock")) << "not told";
}

TEST(Process, NoDisplaySaysSoAndEndsWithoutTouchingTheSettings)
{
    Installed app("qwlview");
    const auto ini = [&app] { QFile f(app.ini); return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray(); };
    const QByteArray before = ini();
    QProcess p;
    app.prepare(p);
    QProcessEnvironment env = p.processEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    p.setProcessEnvironment(env);
    p.start();
    ASSERT_TRUE(p.waitForStarted(5000) && waitForFinished(p, 20000));
    const QByteArray err = p.readAllStandardError();
    EXPECT_TRUE(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 1 && ini() == before);
    EXPECT_TRUE(err.startsWith("qwlview: no display could be opened") && err.count('\n') == 1) << err.constData();
}
