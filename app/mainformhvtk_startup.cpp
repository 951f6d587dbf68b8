// Start-up and shut-down of the main window: reading and writing the settings file.
#include "app/mainformhvtk.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QTimeEdit>
#include <algorithm>

#include "data/localpath.h"
#include "data/runtimetexts.h"
#include "data/stationsettings.h"
#include "data/tdatetime.h"
#include "app/startup.h"
#include "app/stationlistfile.h"
#include "app/setlanguage.h"
#include "app/texts/tfrmselsprache.h"
#include "app/windows/tfrmstation.h"
#include "app/windows/tfrmtimezone.h"
#include "platform/gui/tstringgrid.h"
#include "device/tdatamodftp.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/inifile.h"
#include "platform/core/pczone.h"
#include "platform/gui/screenfit.h"
#include "platform/core/settingsfile.h"
#include "platform/gui/x11probe.h"

namespace {
void setColour(QWidget* w, QPalette::ColorRole role, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
    if (role == QPalette::Window)
        w->setAutoFillBackground(true);
}
}  // namespace

void TMainFormHvtk::FormCreate()
{
    const IniFile ini(platform::SettingsFilePath());

    // Window bounds, then the clamps in their order.
    int top = ini.ReadInteger("Form", "Top", y());
    int left = ini.ReadInteger("Form", "Left", x());
    int w = ini.ReadInteger("Form", "Width", width());
    int h = ini.ReadInteger("Form", "Height", height());
    m_wantedSize = QSize(w, std::max(h, 694));
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize scr = screen ? screen->geometry().size() : QSize(w, h);
    if (scr.width() < w)
        w = scr.width();
    if (h < 694)
        h = 694;
    if (top < 0)
        top = 0;
    if (top + h > scr.height())
        top = scr.height() - h;
    if (left < 0)
        left = 0;
    if (left + w > scr.width())
        left = scr.width() - w;
    resize(w, h);
    move(left, top);
    lblHeader->resize(centralWidget()->width() > 0 ? centralWidget()->width() : w, lblHeader->height());

    if (!ini.ReadOk())
        platform::AppMessageBox(MsgFileReadError + ini.FileName(), QStringLiteral("Error"));
    m_storedInitialDir = ini.ReadString("Station", "InitialDir", "");
    CurrentStation.InitialDir = UsableInitialDir(m_storedInitialDir);
    if (!m_storedInitialDir.isEmpty() && CurrentStation.InitialDir != m_storedInitialDir)
        m_initialDirStandIn = CurrentStation.InitialDir;
    CurrentStation.Organisation = ini.ReadString("Station", "Organisation", "");
    if (!CurrentStation.Organisation.isEmpty())
        lblHeader->setText(CurrentStation.Organisation);
    const int language = ini.ReadInteger("Station", "Sprache", -1);
    if (language == 0 || language == 1)
        CurrentStation.CurrentLanguage = uint8_t(language);
    else
        CurrentStation.CurrentLanguage = QLocale::system().language() == QLocale::German ? 0 : 1;
    CurrentStation.PortNumber = ini.ReadInteger("IO", "PortNumber", 1);
    cbxAverage->setChecked(ini.ReadBool("View", "Average", false));
    const platform::PcZone pc = platform::ReadPcZone();
    CurrentStation.ZoneBias = ini.ReadInteger("Timezone", "Zone", pc.secondsWest);
    CurrentStation.Daylight = ini.ReadInteger("Timezone", "Daylight", pc.daylight) != 0;

    // The program's own time conversions apply no PC zone; the PC's is kept for the
    // time-zone window's default.
    SavedTimezone = pc.secondsWest;
    SavedDaylight = pc.daylight;

    setCursor(Qt::ArrowCursor);
    imgGraph->setCursor(Qt::ArrowCursor);
    ProjectToolRunning = platform::TopLevelWindowTitled(QStringLiteral("Projektverwaltung"));
    OnlineMode = false;
    lblPos->setText(QString());
    ZoomLevel = 0;
    setColour(pnlButtons, QPalette::Window, QColor(197, 223, 254));
    setColour(lblHeader, QPalette::WindowText, QColor(60, 180, 220));

    ServiceMode = DecideServiceMode(QCoreApplication::applicationFilePath(), QCoreApplication::arguments());
    if (!ServiceMode)
        mnuSysUpdate->setVisible(false);
}

void TMainFormHvtk::FormShow()
{
    SetLanguage(CurrentStation.CurrentLanguage);
    if (frmSelSprache)
        frmSelSprache->SetItemIndex(int8_t(CurrentStation.CurrentLanguage));
    ReadStationList();
    cbxStations->setCurrentIndex(frmStation->ActiveRow - 1);
    lblDevice->setText(TxtValuesIn + CurrentStation.InitialDir);

    DisplayedDate = Now();
    int year, month, day, hour, minute, second, msec;
    DecodeDate(DisplayedDate, year, month, day);
    DecodeTime(DisplayedDate, hour, minute, second, msec);
    DatePicker->setDate(QDate(year, month, day));
    DayHasData = LoadDay(DisplayedDate);
    ViewHour = hour;
    ViewMinute = minute / 10 * 10;
    TimePicker->setTime(QTime(ViewHour, ViewMinute, 0));
    SetZoomButtons(ZoomLevel);
    // The load's own pumping (and any box shown before it) painted the day before it was
    // there: draw the loaded day and its date line now.
    if (!m_closed)
        FormPaint();
}

void TMainFormHvtk::ReadStationList()
{
    const IniFile ini(platform::SettingsFilePath());
    cbxNumView->setChecked(ini.ReadBool("View", "ViewNum", false));

    TStringGrid* grid = frmStation->stgList;
    // Only rows whose entries exist count: a damaged count neither adds phantom rows nor
    // drops stored ones.
    const stationlistfile::StoredRows stored = stationlistfile::CountStoredRows(ini);
    cbxStations->clear();

    stationlistfile::RowDefaults defaults;
    defaults.zoneBias = CurrentStation.ZoneBias;
    defaults.daylight = CurrentStation.Daylight;
    defaults.zoneText = [](int bias) { return frmTimezone->ZoneText(bias); };
    if (stored.newer > 0) {
        // With both counts set, every row, the older ones too, comes from the newer sections.
        grid->SetRowCount(stored.newer + 1);
        for (int i = 1; i <= stored.newer; ++i)
            grid->SetRowTexts(i, stationlistfile::ReadNewerRow(ini, i, defaults));
    } else {
        grid->SetRowCount(stored.older + 1);
        for (int i = 1; i <= stored.older; ++i)
            grid->SetRowTexts(i, stationlistfile::ReadOlderRow(ini, i, defaults));
    }
    const int stations = grid->RowCount() - 1;
    frmStation->ActiveRow = stationlistfile::StoredActiveRow(ini, stations);
    frmStation->FillStationBox();

    if (frmStation->ActiveRow > 0)
        platform::Guarded([] { frmStation->ReadStationRow(CurrentStation); });

    while (frmStation->ActiveRow <= 0 || CurrentStation.InitialDir.isEmpty()) {
        // The default row only when no station exists; else the user picks one of the stored.
        if (grid->RowCount() < 2)
            frmStation->ReplaceWithDefaultRow();
        frmStation->exec();
        // Closed without a pick: the first station, so that the start goes on.
        if (frmStation->ActiveRow <= 0)
            frmStation->ActiveRow = 1;
        platform::Guarded([] { frmStation->ReadStationRow(CurrentStation); });
        frmStation->FillStationBox();
    }
}

void TMainFormHvtk::FormClose()
{
    if (DataModFtp)
        DataModFtp->FtpLogout(false);
    QFile::remove(JoinLocalPath({CurrentStation.InitialDir, QStringLiteral("Temp.dbb")}));
    SaveSettings();
    RemoteFileList.reset();
}

bool TMainFormHvtk::SaveSettings()
{
    const QString path = platform::SettingsFilePath();
    const QFileInfo info(path);
    // Once the program is closing the box becomes a line on the error output.
    auto refuse = [&path](const QString& reason = QString()) {
        const QString why = reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + u')';
        platform::MessageDlg(MsgFileWriteProtected + path + why, platform::MsgDlgType::Warning, platform::mbOK);
        return false;
    };
    if (info.exists()) {
        QFile f(path);
        if (!(f.permissions() & QFileDevice::WriteOwner))
            f.setPermissions(f.permissions() | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
        if (!(f.permissions() & QFileDevice::WriteOwner))
            return refuse();
    }

    IniFile ini(path);
    // A file we cannot read would lose the entries we do not know: leave it alone (the start
    // reported it).
    if (!ini.ReadOk())
        return false;
    frmStation->WriteStationRow(CurrentStation);
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        ini.WriteInteger("Form", "Top", y());
        ini.WriteInteger("Form", "Left", x());
        const QSize own = platform::OwnSize(size(), m_wantedSize, platform::ScreenRoom(this));
        ini.WriteInteger("Form", "Width", own.width());
        ini.WriteInteger("Form", "Height", own.height());
    }
    ini.WriteBool("View", "Average", cbxAverage->isChecked());
    ini.WriteBool("View", "ViewNum", cbxNumView->isChecked());
    const bool standIn = !m_initialDirStandIn.isEmpty() && CurrentStation.InitialDir == m_initialDirStandIn;
    ini.WriteString("Station", "InitialDir", standIn ? m_storedInitialDir : CurrentStation.InitialDir);
    ini.WriteInteger("Station", "Sprache", CurrentStation.CurrentLanguage);
    ini.WriteInteger("IO", "PortNumber", CurrentStation.PortNumber);
    ini.WriteInteger("Timezone", "Zone", CurrentStation.ZoneBias);
    ini.WriteInteger("Timezone", "Daylight", CurrentStation.Daylight ? 1 : 0);

    const TStringGrid* grid = frmStation->stgList;
    ini.WriteInteger("Stations", "Count", 0);
    ini.WriteInteger("Stations", "Count2", grid->RowCount() - 1);
    ini.WriteInteger("Stations", "Activ", frmStation->ActiveRow);
    for (int i = 1; i < grid->RowCount(); ++i)
        stationlistfile::WriteNewerRow(ini, i, grid->RowTexts(i));
    QString reason;
    if (!ini.UpdateFile(&reason))
        return refuse(reason);
    return true;
}
