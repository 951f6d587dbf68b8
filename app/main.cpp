#include <QAction>
#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <clocale>
#include <cstdio>
#include <memory>

#include "app/mainformhvtk.h"
#include "app/startup.h"
#include "app/texts/sprachen.h"
#include "comms/core/appexceptionhook.h"
#include "comms/widgets/tcomselectform.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/eventwait.h"
#include "platform/gui/exceptionguard.h"
#include "platform/gui/firstpaint.h"
#include "platform/gui/nodisplay.h"
#include "platform/core/signalclose.h"
#include "platform/gui/singleinstance.h"

namespace {
// For the process tests only: with QWLVIEW_STATE_FILE set, the state decided at start-up is
// written there once the main window is up, since an offscreen window cannot be looked at.
void reportStartState()
{
    const QString path = qEnvironmentVariable("QWLVIEW_STATE_FILE");
    if (path.isEmpty())
        return;
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(QByteArray("ServiceMode=") + (ServiceMode ? "1" : "0") + "\nmnuSysUpdate=" +
                (MainFormHvtk->mnuSysUpdate->isVisible() ? "visible" : "hidden") + "\n");
}
}  // namespace

int main(int argc, char** argv)
{
    platform::SingleInstance instance(QStringLiteral("Laermwartgeraet"));
    const platform::SingleInstance::Lock lock = instance.Acquire();
    if (lock == platform::SingleInstance::Lock::HeldByOther) {
        // Another instance runs (or is still starting): ask it to come to the front, quietly.
        QCoreApplication core(argc, argv);
        instance.AskOwnerToShow(2000);
        return 0;
    }
    // Without a lock the program still starts, and says so once its window is up.
    const bool unlocked = lock == platform::SingleInstance::Lock::Unavailable;
    if (unlocked)
        std::fprintf(stderr, "qwlview: no single-instance lock: %s\n", qPrintable(instance.Problem()));

    // Qt's file dialogs keep their history in the user's configuration when they are
    // destroyed; this program writes nothing there but its own INI, so such writes go to a
    // folder of this run, removed at the end.
    QTemporaryDir qtSettings;
    if (qtSettings.isValid())
        for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, qtSettings.path());

    auto noDisplay = std::make_unique<platform::NoDisplayExit>(
        QStringLiteral("qwlview: no display could be opened (DISPLAY=\"%1\"); nothing was changed.")
            .arg(qEnvironmentVariable("DISPLAY")),
        [&qtSettings] { qtSettings.remove(); });
    platform::GuardedApplication app(argc, argv);
    noDisplay.reset();
    platform::Guarded([&] {
        std::setlocale(LC_NUMERIC, "C");
        QApplication::setApplicationName(QStringLiteral("QWLView"));
        instance.SetShowHandler(ActivateRunningInstance);
        if (!unlocked)
            instance.Listen();
        InitLanguageTexts();
        // The port library raises from its event handlers; show those as every other handler does.
        SetAppExceptionHandler([](const std::exception& e) { platform::ShowException(QString::fromUtf8(e.what())); });
        SetAppTerminatedQuery(platform::Closing);
        InstallComSelectPrompt();
        // Before the windows are made: a box shown while they are made must end on SIGTERM too.
        bool closeRequested = false;
        platform::InstallCloseOnSignal([&closeRequested] {
            closeRequested = true;
            CloseProgramOnSignal();
        });
        CreateForms();
        // For the start-up benchmark only.
        if (!qEnvironmentVariableIsEmpty("QWLVIEW_REPORT_FIRST_PAINT"))
            platform::ReportFirstPaint(MainFormHvtk);
        if (!closeRequested)
            MainFormHvtk->show();
        // Closed already while the first showing still waited for a station.
        if (MainFormHvtk->isVisible()) {
            reportStartState();
            if (unlocked)
                QTimer::singleShot(0, MainFormHvtk, [&instance] {
                    platform::MessageDlg(MsgInstanceLockFailed + instance.Problem(), platform::MsgDlgType::Warning,
                                         platform::mbOK);
                });
            app.exec();
        }
    });
    platform::RemoveCloseOnSignal();
    DestroyForms();
    FreeLanguageTexts();
    return 0;
}
