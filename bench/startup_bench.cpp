#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <unistd.h>

#include "bench.h"
#include "platform/gui/firstpaint.h"

// The program from its start to its first painted window, against a minimal Qt Widgets
// program (a menu bar and 20 widgets) that this binary becomes with --minimal-window;
// both report their first paint the same way and start offscreen.
int bench::MinimalWindowMain(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    for (const char* title : {"&File", "&View", "&Help"}) {
        QMenu* menu = window.menuBar()->addMenu(QString::fromLatin1(title));
        for (int i = 0; i < 5; ++i)
            menu->addAction(QStringLiteral("Item %1").arg(i));
    }
    auto* central = new QWidget(&window);
    auto* grid = new QGridLayout(central);
    for (int i = 0; i < 20; ++i) {
        QWidget* w = nullptr;
        switch (i % 5) {
        case 0: w = new QLabel(QStringLiteral("Label %1").arg(i)); break;
        case 1: w = new QPushButton(QStringLiteral("Button %1").arg(i)); break;
        case 2: w = new QLineEdit(QStringLiteral("Text %1").arg(i)); break;
        case 3: w = new QCheckBox(QStringLiteral("Check %1").arg(i)); break;
        default: {
            auto* box = new QComboBox;
            box->addItems({QStringLiteral("one"), QStringLiteral("two")});
            w = box;
        }
        }
        grid->addWidget(w, i / 4, i % 4);
    }
    window.setCentralWidget(central);
    window.resize(800, 600);
    platform::ReportFirstPaint(&window);
    window.show();
    return app.exec();
}

namespace {

// A copy of the program in a folder of its own with a station that needs no dialog at start.
struct InstalledProgram {
    QTemporaryDir dir;
    QString exe;

    InstalledProgram()
    {
        exe = dir.filePath("qwlview");
        QFile::copy(QStringLiteral(QWL_PROGRAM), exe);
        QFile::setPermissions(exe, QFile::permissions(QStringLiteral(QWL_PROGRAM)));
        QFile ini(dir.filePath("qwlview.INI"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[Station]\nInitialDir=" + dir.path().toUtf8() +
                      "\n[Stations]\nActiv=1\nCount2=1\n[Station1]\nRegion=001\nNumber=002\nName=Bench\n");
        QDir().mkpath(dir.filePath("run"));
        QFile::setPermissions(dir.filePath("run"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
};

struct StartResult {
    double firstPaintMs = -1.0;
    double peakRssMb = -1.0;
    double idleCpuPercent = -1.0;
};

// CPU seconds of a process so far, from /proc.
double CpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1.0;
    const QByteArray line = f.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1.0;
    return double(fields[11].toLongLong() + fields[12].toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

double PeakRssMb(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1.0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1.0;
}

// Starts the process, waits (bounded) for its first paint, optionally watches it idle,
// and ends it.
StartResult TimeStart(QProcess& p, bool watchIdle)
{
    StartResult r;
    QElapsedTimer clock;
    clock.start();
    p.start();
    QByteArray out;
    while (!out.contains("painted\n") && clock.elapsed() < 20000 && p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(200);
        out += p.readAllStandardOutput();
    }
    if (out.contains("painted\n"))
        r.firstPaintMs = double(clock.nsecsElapsed()) / 1e6;
    if (watchIdle && r.firstPaintMs > 0) {
        QThread::msleep(500);
        const double before = CpuSeconds(p.processId());
        QThread::msleep(2000);
        const double after = CpuSeconds(p.processId());
        if (before >= 0 && after >= 0)
            r.idleCpuPercent = (after - before) / 2.0 * 100.0;
        r.peakRssMb = PeakRssMb(p.processId());
    }
    p.terminate();
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished(5000);
    }
    return r;
}

void StartUp()
{
    InstalledProgram program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", program.dir.filePath("run"));
    env.insert("QWLVIEW_REPORT_FIRST_PAINT", "1");

    const auto prepare = [&](QProcess& p, bool minimal) {
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(program.dir.path());
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.setStandardErrorFile(QProcess::nullDevice());
        if (minimal) {
            p.setProgram(QCoreApplication::applicationFilePath());
            p.setArguments({QStringLiteral("--minimal-window")});
        } else {
            p.setProgram(program.exe);
        }
    };
    std::vector<double> ours, minimal;
    // A first start of each warms the page cache; the rounds alternate. Eleven rounds keep
    // the medians steady on a busy machine.
    for (int round = 0; round <= 11; ++round) {
        for (const bool isMinimal : {false, true}) {
            QProcess p;
            prepare(p, isMinimal);
            const double ms = TimeStart(p, false).firstPaintMs;
            if (round > 0)
                (isMinimal ? minimal : ours).push_back(ms);
        }
    }
    QProcess watched;
    prepare(watched, false);
    const StartResult idle = TimeStart(watched, true);

    const double a = bench::Median(ours), b = bench::Median(minimal);
    bench::Figure("startup_first_paint_ms", a, "ms");
    bench::Figure("startup_minimal_qt_ms", b, "ms");
    bench::Figure("startup_vs_minimal_qt", b > 0 && a > 0 ? a / b : 0.0, "x");
    bench::Figure("startup_peak_rss_mb", idle.peakRssMb, "MB");
    bench::Figure("idle_cpu_percent", idle.idleCpuPercent, "%");
}

}  // namespace

QWL_BENCH(StartUp);
