#pragma once
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "common/pump.h"

// A copy of the program under a name of our choice in a folder of its own, with a settings
// file that needs no dialog at start, a runtime folder of its own for the instance lock and
// a home folder of its own.
struct Installed {
    QTemporaryDir dir;
    QString exe;
    QString ini;
    QString runtime;
    QString home;

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
        home = dir.filePath("home");
        QDir().mkpath(home);
    }

    void prepare(QProcess& p) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", runtime);
        env.insert("QWLVIEW_STATE_FILE", dir.filePath("state.txt"));
        env.insert("HOME", home);
        env.remove("XDG_CONFIG_HOME");
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

inline bool waitForFinished(QProcess& p, int ms)
{
    return pumpUntil([&] { return p.state() == QProcess::NotRunning; }, ms);
}
