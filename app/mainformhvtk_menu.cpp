// The main window's menu commands, the station box, the data-source group and the calendar
// button: each opens its window modally and brings the main window up to date afterwards.
#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QTime>
#include <QToolButton>

#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/runtimetexts.h"
#include "data/stationsettings.h"
#include "app/mainformhvtk.h"
#include "app/setlanguage.h"
#include "app/texts/tfrmselsprache.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrmexceltransfer.h"
#include "app/windows/tfrmimport.h"
#include "app/windows/tfrminfo.h"
#include "app/windows/tfrmlogview.h"
#include "app/windows/tfrmstation.h"
#include "app/windows/tfrmstatistik.h"
#include "platform/gui/tstringgrid.h"
#include "device/tdatamodftp.h"
#include "device/tfrmconnect.h"
#include "device/tfrmftptransfer.h"
#include "device/tfrmrsconfig.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/inetaddr.h"
#include "platform/core/shellopen.h"
#include "platform/gui/tradiogroup.h"

using platform::Guard;

namespace {
// The pickers' line edits take Ctrl+X as cut and Ctrl+E as end of line, which a picker has no
// use for: the menu's short-cuts go first wherever the focus is.
class MenuShortcutsFirst : public QObject {
public:
    MenuShortcutsFirst(QMenuBar* menus, QObject* parent) : QObject(parent), m_menus(menus) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != QEvent::ShortcutOverride)
            return false;
        const QKeySequence pressed(static_cast<QKeyEvent*>(e)->keyCombination());
        for (const QAction* a : m_menus->findChildren<QAction*>())
            if (!a->shortcut().isEmpty() && a->shortcut() == pressed) {
                e->ignore();
                return true;
            }
        return false;
    }

private:
    QMenuBar* m_menus;
};
}  // namespace

void TMainFormHvtk::ConnectMenuCommands()
{
    auto* shortcutsFirst = new MenuShortcutsFirst(menuBar(), this);
    for (QWidget* picker : {static_cast<QWidget*>(DatePicker), static_cast<QWidget*>(TimePicker)}) {
        picker->installEventFilter(shortcutsFirst);
        for (QLineEdit* edit : picker->findChildren<QLineEdit*>())
            edit->installEventFilter(shortcutsFirst);
    }
    connect(mnuDatDownLoad, &QAction::triggered, this, Guard([this] { mnuDatDownLoadClick(); }));
    connect(mnuExport, &QAction::triggered, this, Guard([this] { mnuExportClick(); }));
    connect(mnuBeenden, &QAction::triggered, this, Guard([this] { mnuBeendenClick(); }));
    connect(mnuInitialDir, &QAction::triggered, this, Guard([this] { mnuInitialDirClick(); }));
    connect(mnuStationsdaten, &QAction::triggered, this, Guard([this] { mnuStationsdatenClick(); }));
    connect(mnuSelSprache, &QAction::triggered, this, Guard([this] { mnuSelSpracheClick(); }));
    connect(mnuFTPConfig, &QAction::triggered, this, Guard([this] { mnuFTPConfigClick(); }));
    connect(mnuRSConfig, &QAction::triggered, this, Guard([this] { mnuRSConfigClick(); }));
    connect(mnuSysUpdate, &QAction::triggered, this, Guard([this] { mnuSysUpdateClick(); }));
    connect(mnuLogView, &QAction::triggered, this, Guard([this] { mnuLogViewClick(); }));
    connect(mnuImport, &QAction::triggered, this, Guard([this] { mnuImportClick(); }));
    connect(mnuInfo, &QAction::triggered, this, Guard([this] { mnuInfoClick(); }));
    connect(mnuHandbook, &QAction::triggered, this, Guard([this] { mnuHandbookClick(); }));
    connect(rdgOnline, &TRadioGroup::clicked, this, Guard([this] { rdgOnlineClick(); }));
    // The user's choice only: code that refills or selects in the box raises nothing.
    connect(cbxStations, &QComboBox::activated, this, Guard([this] { cbxStationsSelect(); }));
    connect(spbStatistik, &QToolButton::clicked, this, Guard([this] { spbStatistikClick(); }));
}

void TMainFormHvtk::GoOffline()
{
    OnlineMode = false;
    if (DataModFtp)
        DataModFtp->FtpLogout(false);
    rdgOnline->SetItemIndex(0);  // its nested click finds OnlineMode already 0
    lblDevice->setText(TxtValuesIn + CurrentStation.InitialDir);
}

void TMainFormHvtk::ShowSourceLine()
{
    lblDevice->setText(OnlineMode ? TxtConnectedTo + CurrentStation.StationName + QStringLiteral(" (")
                                        + CurrentStation.IPAddress + QStringLiteral(")")
                                  : TxtValuesIn + CurrentStation.InitialDir);
}

void TMainFormHvtk::FillStationCombo()
{
    const int remembered = cbxStations->currentIndex();
    cbxStations->clear();
    for (int r = 1; r < frmStation->stgList->RowCount(); ++r)
        cbxStations->addItem(frmStation->RowLabel(r));
    // A list that became shorter than the old choice shows its first station.
    cbxStations->setCurrentIndex(cbxStations->count() > remembered ? frmStation->ActiveRow - 1 : 0);
}

bool TMainFormHvtk::FollowCurrentStation(const QString& before)
{
    FillStationCombo();
    if (StationKey() == before)
        return false;
    // Another station: its day from the start, and from the PC (the device was the other's).
    if (OnlineMode)
        GoOffline();
    RemoteFileList->Clear();
    ZoomLevel = 0;
    SetZoomButtons(0);
    return true;
}

QString TMainFormHvtk::StationKey() const
{
    return QString::asprintf("%d/%d/", CurrentStation.RegionNumber, CurrentStation.StationNumber) +
           CurrentStation.StationName;
}

void TMainFormHvtk::ReloadDay()
{
    DayHasData = LoadDay(DisplayedDate);
    Invalidate();
}

void TMainFormHvtk::RemoveTempDayFile()
{
    QFile::remove(JoinLocalPath({CurrentStation.InitialDir, QString::fromLatin1(TempDbbFileName)}));
}

void TMainFormHvtk::mnuDatDownLoadClick()
{
    if (OnlineMode)
        GoOffline();
    frmFtpTransfer->DownloadMode = true;
    if (frmFtpTransfer->exec() != 1)
        return;
    FillStationCombo();
    // The download has updated the station's address, log-in and last-download date.
    frmStation->WriteStationRow(CurrentStation);
    ZoomLevel = 0;
    SetZoomButtons(0);
    ReloadDay();
}

void TMainFormHvtk::mnuExportClick()
{
    frmExcelTransfer->ExportDate = DisplayedDate;
    // Every way of closing it reloads the day.
    if (frmExcelTransfer->exec() != 0)
        ReloadDay();
}

void TMainFormHvtk::mnuBeendenClick()
{
    close();
}

void TMainFormHvtk::mnuInitialDirClick()
{
    frmDirSelect->Path = CurrentStation.InitialDir;
    if (frmDirSelect->exec() == 1) {
        CurrentStation.InitialDir = frmDirSelect->Path;
        lblDevice->setText(TxtValuesIn + CurrentStation.InitialDir);
        if (!OnlineMode)
            DayHasData = LoadDay(DisplayedDate);
    }
    Invalidate();
}

void TMainFormHvtk::mnuStationsdatenClick()
{
    if (OnlineMode)
        GoOffline();
    frmStation->exec();
    SaveSettings();
    RemoveTempDayFile();
    FillStationCombo();
    frmStation->ReadStationRow(CurrentStation);
    lblDevice->setText(TxtValuesIn + CurrentStation.InitialDir);
    ReloadDay();
}

void TMainFormHvtk::mnuSelSpracheClick()
{
    frmSelSprache->SetItemIndex(int8_t(CurrentStation.CurrentLanguage));
    if (frmSelSprache->exec() == 1) {
        CurrentStation.CurrentLanguage = uint8_t(frmSelSprache->GetItemIndex());
        SetLanguage(CurrentStation.CurrentLanguage);  // the source line too, as the mode has it
        Invalidate();
    }
}

void TMainFormHvtk::mnuFTPConfigClick()
{
    const QString station = StationKey();
    const int row = frmStation->ActiveRow;
    const int result = frmConnect->exec();
    // OK made the device's station current; a cancel after the search's station list was shown
    // leaves the list's choice active, as the station list command does.
    if (result != 1 && frmStation->ActiveRow != row)
        frmStation->ReadStationRow(CurrentStation);
    if (FollowCurrentStation(station))
        ReloadDay();
    if (result != 1)
        return;
    // The address comes from the device's own reply: only a dotted address is opened, in its
    // canonical form (a browser reads "010.0.0.1" as octal).
    const QString address = platform::CanonicalIPv4(CurrentStation.IPAddress);
    if (!address.isEmpty())
        platform::ShellOpen(QStringLiteral("http://") + address + QStringLiteral("/"));
}

void TMainFormHvtk::mnuRSConfigClick()
{
    frmRSConfig->exec();
}

void TMainFormHvtk::mnuSysUpdateClick()
{
    const QString dataDir = CurrentStation.InitialDir;
    if (OnlineMode) {
        GoOffline();
        ReloadDay();
    }
    frmFtpTransfer->SysUpdateMode = true;
    frmFtpTransfer->exec();
    // The upload's folder choice may have changed it.
    CurrentStation.InitialDir = dataDir;
}

void TMainFormHvtk::mnuLogViewClick()
{
    if (OnlineMode)
        GoOffline();
    SaveSettings();
    RemoveTempDayFile();
    frmLogView->exec();
    if (frmLogView->StationChanged) {
        FillStationCombo();
        frmStation->WriteStationRow(CurrentStation);
        lblDevice->setText(TxtValuesIn + CurrentStation.InitialDir);
        ReloadDay();
    }
}

void TMainFormHvtk::mnuImportClick()
{
    if (OnlineMode)
        GoOffline();
    SaveSettings();
    RemoveTempDayFile();
    const QString station = StationKey();
    frmImport->exec();
    // The import window may have made another station active.
    frmStation->ReadStationRow(CurrentStation);
    lblDevice->setText(TxtValuesIn + CurrentStation.InitialDir);
    FollowCurrentStation(station);
    ReloadDay();
}

void TMainFormHvtk::mnuInfoClick()
{
    frmInfo->exec();
}

void TMainFormHvtk::mnuHandbookClick()
{
    const QString folder = QCoreApplication::applicationDirPath();
    const QString name = CurrentStation.CurrentLanguage == 0 ? QStringLiteral("Handbuch_QWL620.pdf")
                                                             : QStringLiteral("Manual_QWL620.pdf");
    const QString path = JoinLocalPath({folder, name});
    if (!QFileInfo(path).isFile()) {
        platform::MessageDlg(MsgFileNotFound + name, platform::MsgDlgType::Information, platform::mbOK);
        return;
    }
    platform::ShellOpen(path, folder);
}

void TMainFormHvtk::rdgOnlineClick()
{
    if (rdgOnline->ItemIndex() == 1) {
        if (OnlineMode)
            return;
        // No mode byte set: the transfer window identifies the device and stays logged in.
        if (frmFtpTransfer->exec() == 1) {
            OnlineMode = true;
            lblDevice->setText(TxtConnectedTo + CurrentStation.StationName + QStringLiteral(" (") +
                               CurrentStation.IPAddress + QStringLiteral(")"));
            FillStationCombo();
            RemoteFileList->Clear();
            ZoomLevel = 0;
            SetZoomButtons(0);
            ReloadDay();
        } else {
            rdgOnline->SetItemIndex(0);
        }
        DatePicker->setFocus();
        return;
    }
    if (!OnlineMode)
        return;
    GoOffline();
    RemoteFileList->Clear();
    ZoomLevel = 0;
    SetZoomButtons(0);
    ReloadDay();
    DatePicker->setFocus();
}

void TMainFormHvtk::cbxStationsSelect()
{
    if (cbxStations->currentIndex() + 1 == frmStation->ActiveRow)
        return;
    if (OnlineMode)
        GoOffline();
    frmStation->ActiveRow = cbxStations->currentIndex() + 1;
    frmStation->ReadStationRow(CurrentStation);
    DatePicker->setFocus();
    RemoteFileList->Clear();
    ZoomLevel = 0;
    SetZoomButtons(0);
    ReloadDay();
}

void TMainFormHvtk::spbStatistikClick()
{
    if (frmStatistik->exec() != 1)
        return;
    DisplayedDate = frmStatistik->SelectedDate;
    int y, m, d;
    DecodeDate(DisplayedDate, y, m, d);
    const QDate shown = DatePicker->date();
    if (y != shown.year() || m != shown.month())
        RemoteFileList->Clear();  // the device's names are listed per month
    SetDatePicker();
    ReloadDay();
}

void TMainFormHvtk::mnuComVerbindenClick()
{
    frmRSConfig->SetPacketFraming(true);
    const QTime now = QTime::currentTime();
    ZoomLevel = 2;
    ViewHour = now.hour();
    ViewMinute = now.minute() / 10 * 10;
    SetZoomButtons(2);
    SampleBuffer.fill(0);
    DayHasData = false;
    LiveMode = true;
    frmRSConfig->ConnectDeviceOnPort(CurrentStation.PortNumber);
    Invalidate();
}
