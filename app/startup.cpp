#include "app/startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include "app/appstate.h"
#include "app/mainformhvtk.h"
#include "app/texts/tfrmselsprache.h"
#include "app/windows/tfrmdatetime.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrmexceltransfer.h"
#include "app/windows/tfrmimport.h"
#include "app/windows/tfrminfo.h"
#include "app/windows/tfrmlogview.h"
#include "app/windows/tfrmnumview.h"
#include "app/windows/tfrmstatedit.h"
#include "app/windows/tfrmstation.h"
#include "app/windows/tfrmstatistik.h"
#include "app/windows/tfrmstatname.h"
#include "app/windows/tfrmtimezone.h"
#include "device/tdatamodftp.h"
#include "device/tdatamodudp.h"
#include "device/tfrmconnect.h"
#include "device/tfrmftptransfer.h"
#include "device/tfrmrsconfig.h"
#include "platform/gui/eventwait.h"
#include "platform/gui/screenfit.h"

namespace {
template <class T>
void create(T*& global, QWidget* owner)
{
    global = new T(owner);
}

template <class T>
void destroy(T*& global)
{
    delete global;
    global = nullptr;
}
}  // namespace

void CreateForms()
{
    RegisterProgramState();
    platform::KeepWindowsOnScreen();
    create(MainFormHvtk, nullptr);
    QWidget* owner = MainFormHvtk;
    // Each model before its window, which takes the model's reports when it is created.
    create(DataModFtp, owner);
    create(frmFtpTransfer, owner);
    create(frmRSConfig, owner);
    create(frmDirSelect, owner);
    create(frmStatName, owner);
    create(frmLogView, owner);
    create(frmInfo, owner);
    create(DataModUDP, owner);
    create(frmConnect, owner);
    create(frmNumView, owner);
    create(frmExcelTransfer, owner);
    create(frmTimezone, owner);
    create(frmStation, owner);
    create(frmStatEdit, owner);
    create(frmImport, owner);
    create(frmStatistik, owner);
    create(frmSelSprache, owner);
    create(frmDateTime, owner);
}

void DestroyForms()
{
    destroy(frmDateTime);
    destroy(frmSelSprache);
    destroy(frmStatistik);
    destroy(frmImport);
    destroy(frmStatEdit);
    destroy(frmStation);
    destroy(frmTimezone);
    destroy(frmExcelTransfer);
    destroy(frmNumView);
    destroy(DataModUDP);
    destroy(frmConnect);
    destroy(frmInfo);
    destroy(frmLogView);
    destroy(frmStatName);
    destroy(frmDirSelect);
    destroy(frmRSConfig);
    destroy(DataModFtp);
    destroy(frmFtpTransfer);
    destroy(MainFormHvtk);
    UnregisterProgramState();
}

bool DecideServiceMode(const QString& executablePath, const QStringList& arguments)
{
    bool on = false;
    const QString exe = QFileInfo(executablePath).fileName().toLower();
    if (exe == QLatin1String("tolvad.exe") || exe == QLatin1String("tolvad"))
        on = true;
    for (int i = 1; i < arguments.size(); ++i)
        if (arguments[i].toLower() == QLatin1String("yhc"))
            on = true;
    return on;
}

void CloseProgramOnSignal()
{
    platform::BeginClosing();
    // An open dialog is cancelled first, so that its own loop ends too.
    while (QWidget* dialog = QApplication::activeModalWidget()) {
        dialog->close();
        if (QApplication::activeModalWidget() == dialog)
            break;
    }
    if (MainFormHvtk)
        MainFormHvtk->close();
}

void ActivateRunningInstance()
{
    if (!MainFormHvtk)
        return;
    MainFormHvtk->show();
    QWidget* front = QApplication::activeModalWidget();
    if (!front)
        front = MainFormHvtk;
    front->show();
    front->raise();
    front->activateWindow();
}

QString UsableInitialDir(const QString& stored)
{
    if (!stored.isEmpty() && QFileInfo(stored).isDir())
        return stored;
    for (const QString& candidate : {QDir::currentPath(), QCoreApplication::applicationDirPath(), QDir::homePath()})
        if (!candidate.isEmpty() && QFileInfo(candidate).isDir())
            return candidate;
    return QDir::rootPath();
}
