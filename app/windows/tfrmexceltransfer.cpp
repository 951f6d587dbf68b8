#include "app/windows/tfrmexceltransfer.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cmath>

#include "data/daymodel.h"
#include "data/datatree.h"
#include "data/dayfill.h"
#include "data/daycsv.h"
#include "data/dbbnames.h"
#include "data/localpath.h"
#include "data/stationsettings.h"
#include "app/windows/tdayloader.h"
#include "app/windows/tdayloaderhost.h"
#include "app/texts/sprachen.h"
#include "app/windows/tfrmdirselect.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/named.h"
#include "platform/core/shortdate.h"
#include "platform/core/windows1252.h"
#include "platform/gui/windowkeys.h"

using platform::Named;

TfrmExcelTransfer* frmExcelTransfer = nullptr;

namespace {

QDateTime ToQDateTime(TDateTime t)
{
    int y, mo, d, h, mi, s, ms;
    DecodeDate(t, y, mo, d);
    DecodeTime(t, h, mi, s, ms);
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

QString NameCutText()
{
    return CurrentStation.CurrentLanguage == 0
               ? QString::fromUtf8(
                   "Die CSV-Dateien sind in Windows-1252 geschrieben: Zeichen des Stationsnamens, die es nicht "
                   "kennt, stehen dort als „?“.")
               : QStringLiteral(
                   "The CSV files are written in Windows-1252: characters of the station name that it lacks "
                   "stand there as \"?\".");
}

TDateTime FromQDateTime(const QDateTime& q)
{
    const QDate d = q.date();
    const QTime t = q.time();
    return EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

QFrame* Frame(QWidget* parent, const char* name, QFrame::Shape shape)
{
    auto* f = new QFrame(parent);
    f->setObjectName(QLatin1String(name));
    f->setFrameShape(shape);
    f->setFrameShadow(QFrame::Sunken);
    return f;
}

}  // namespace

// The export's own day: loaded from the local tree only, whatever mode the main window is in.
struct TfrmExcelTransfer::DayBuffers {
    TSampleBuffer samples{};
    TMinuteLevels levels{};
    TRepeatedHour repeated{};
    TDayLoaderHost offline;
    TDayLoader loader{samples, levels, offline, &repeated};
};

TfrmExcelTransfer::TfrmExcelTransfer(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmExcelTransfer"));
    lbxFiles = Named(new QListWidget(this), "lbxFiles");
    // Sorted once as filled, and one line each: years of files fill it at once.
    lbxFiles->setUniformItemSizes(true);
    lbxFiles->setSelectionMode(QAbstractItemView::NoSelection);
    lbxFiles->setMinimumSize(520, 220);
    QPalette cream = lbxFiles->palette();
    cream.setColor(QPalette::Base, QColor(255, 251, 240));
    lbxFiles->setPalette(cream);
    lbxFiles->installEventFilter(this);
    pgbCopy = Named(new QProgressBar(this), "pgbCopy");
    pgbCopy->setRange(0, 100);
    pgbCopy->setValue(0);
    bbtQuit = Named(new QPushButton(this), "bbtQuit");
    bbtConvert = Named(new QPushButton(this), "bbtConvert");
    lblLoading = Named(new QLabel(this), "lblLoading");
    lblDate = Named(new QLabel(this), "lblDate");
    Bevel1 = Frame(this, "Bevel1", QFrame::HLine);
    Panel1 = Frame(this, "Panel1", QFrame::Panel);
    lblStatName = Named(new QLabel(Panel1), "lblStatName");
    edStatName = Named(new QLineEdit(Panel1), "edStatName");
    edStatName->setReadOnly(true);
    Panel2 = Frame(this, "Panel2", QFrame::Panel);
    lblDateRange = Named(new QLabel(Panel2), "lblDateRange");
    lblFrom = Named(new QLabel(Panel2), "lblFrom");
    lblTo = Named(new QLabel(Panel2), "lblTo");
    const QString shortDate = platform::ShortDateFormat();
    for (QDateTimeEdit** p : {&dtpStart, &dtpEnd}) {
        *p = new QDateTimeEdit(Panel2);
        (*p)->setCalendarPopup(true);
        (*p)->setDisplayFormat(shortDate);
        (*p)->installEventFilter(this);
        connect(*p, &QDateTimeEdit::dateTimeChanged, this, platform::Guard([this] { dtpCloseUp(); }));
    }
    dtpStart->setObjectName(QStringLiteral("dtpStart"));
    dtpEnd->setObjectName(QStringLiteral("dtpEnd"));
    Bevel2 = Frame(this, "Bevel2", QFrame::HLine);
    // The constructor's range: today to now.
    {
        const QSignalBlocker b1(dtpStart), b2(dtpEnd);
        dtpStart->setDateTime(ToQDateTime(DateOf(Now())));
        dtpEnd->setDateTime(ToQDateTime(Now()));
    }

    using platform::Guard;
    connect(bbtConvert, &QPushButton::clicked, this, Guard([this] { bbtConvertClick(); }));
    connect(bbtQuit, &QPushButton::clicked, this, Guard([this] { bbtQuitClick(); }));
    connect(lbxFiles, &QListWidget::itemClicked, this, Guard([this] { lbxFilesClick(); }));

    auto* station = new QHBoxLayout(Panel1);
    station->addWidget(lblStatName);
    station->addWidget(edStatName, 1);
    auto* range = new QGridLayout(Panel2);
    range->addWidget(lblDateRange, 0, 0, 1, 4);
    range->addWidget(lblFrom, 1, 0);
    range->addWidget(dtpStart, 1, 1);
    range->addWidget(lblTo, 1, 2);
    range->addWidget(dtpEnd, 1, 3);
    range->setColumnStretch(4, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblDate, 1);
    buttons->addWidget(bbtConvert);
    buttons->addWidget(bbtQuit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addWidget(Panel2);
    layout->addWidget(Bevel1);
    layout->addWidget(lblLoading);
    layout->addWidget(lbxFiles, 1);
    layout->addWidget(pgbCopy);
    layout->addWidget(Bevel2);
    layout->addLayout(buttons);
}

TfrmExcelTransfer::~TfrmExcelTransfer() = default;

TDateTime TfrmExcelTransfer::StartDateTime() const
{
    return FromQDateTime(dtpStart->dateTime());
}

TDateTime TfrmExcelTransfer::EndDateTime() const
{
    return FromQDateTime(dtpEnd->dateTime());
}

void TfrmExcelTransfer::SetRange(TDateTime start, TDateTime end)
{
    {
        const QSignalBlocker b1(dtpStart), b2(dtpEnd);
        dtpStart->setDateTime(ToQDateTime(start));
        dtpEnd->setDateTime(ToQDateTime(end));
    }
    FillFileList();
}

void TfrmExcelTransfer::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        platform::Guarded([this] { FormShow(); });
}

bool TfrmExcelTransfer::eventFilter(QObject* watched, QEvent* event)
{
    // The pickers take no typing and no wheel; the list takes no typing. Escape, Tab and the
    // short-cuts still reach the window.
    const QEvent::Type t = event->type();
    const bool typing = t == QEvent::KeyPress && !platform::IsWindowKey(static_cast<QKeyEvent*>(event));
    if ((watched == dtpStart || watched == dtpEnd) && (typing || t == QEvent::Wheel))
        return true;
    if (watched == lbxFiles && typing)
        return true;
    return QDialog::eventFilter(watched, event);
}

QFileDialog* TfrmExcelTransfer::PrefixDialog()
{
    // Made when the export is first shown, not at start-up: the dialog reads its folder and
    // loads its icons when made.
    if (!SaveDialog) {
        SaveDialog = Named(new QFileDialog(this), "SaveDialog");
        SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
        SaveDialog->setOption(QFileDialog::DontUseNativeDialog);
        SaveDialog->setDefaultSuffix(QStringLiteral("csv"));
        SaveDialog->setNameFilter(QStringLiteral("Comma separated file (*.csv)"));
        SaveDialog->setWindowTitle(m_prefixDialogTitle);
    }
    return SaveDialog;
}

void TfrmExcelTransfer::SetPrefixDialogTitle(const QString& title)
{
    m_prefixDialogTitle = title;
    if (SaveDialog)
        SaveDialog->setWindowTitle(title);
}

void TfrmExcelTransfer::FormShow()
{
    PrefixDialog();
    const TDateTime day = DateOf(ExportDate);
    {
        const QSignalBlocker b1(dtpStart), b2(dtpEnd);
        dtpStart->setDateTime(ToQDateTime(day));
        dtpEnd->setDateTime(ToQDateTime(day + EncodeTime(23, 59, 0, 0)));
    }
    edStatName->setText(CurrentStation.StationName);
    lblDate->clear();
    FillFileList();
}

void TfrmExcelTransfer::FillFileList()
{
    const TStationSettings& st = CurrentStation;
    lbxFiles->clear();
    QStringList files;
    const QString root = st.InitialDir;
    CollectLocalDbbFiles(files, JoinLocalPath({root, StationDir(st.RegionNumber, st.StationNumber)}),
                         st.StationNumber, StartDateTime(), EndDateTime());
    const QLocale locale = QLocale::system();
    const QString shortDate = platform::ShortDateFormat();
    QStringList entries;
    entries.reserve(files.size());
    for (const QString& path : files) {
        const QString rel = path.startsWith(root + u'/') ? path.mid(root.size() + 1) : path;
        const QDateTime start = ToQDateTime(DatedNameToDateTime(FileNamePart(path)));
        QString time = start.time().toString(QStringLiteral("HH:mm:ss"));
        // The hour the clock shows twice is marked as in the CSV files ("02A", "02B").
        if (const char pass = RepeatedHourPass(DatedNameToUnix(FileNamePart(path)), StationZone()))
            time.insert(2, QLatin1Char(pass));
        entries << rel + QStringLiteral(" ( ") + locale.toString(start.date(), shortDate) + u' ' + time
                       + QStringLiteral(" )");
    }
    std::sort(entries.begin(), entries.end());
    lbxFiles->addItems(entries);
    bbtConvert->setEnabled(lbxFiles->count() > 0);
    pgbCopy->setValue(0);
}

void TfrmExcelTransfer::bbtConvertClick()
{
    QFileDialog* dialog = PrefixDialog();
    dialog->setDirectory(CurrentStation.InitialDir);
    dialog->selectFile(QStringLiteral("QWL"));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    Convert(dialog->selectedFiles().first());
}

bool TfrmExcelTransfer::Convert(const QString& prefix)
{
    bbtConvert->setEnabled(false);
    const TDateTime end = EndDateTime();
    TDateTime d = DateOf(StartDateTime());
    const int days = d <= end ? int(std::floor(end - d)) + 1 : 0;
    pgbCopy->setRange(0, std::max(days, 1));
    pgbCopy->setValue(0);
    if (!m_day)
        m_day = std::make_unique<DayBuffers>();
    const TStationSettings& st = CurrentStation;
    const TCsvStation station{st.StationName, st.RegionNumber, st.StationNumber, st.ZoneBias};
    bool allWritten = true;
    bool exported = false;
    for (int i = 0; i < days; ++i, d += 1.0) {
        lblDate->setText(platform::ShortDateText(ToQDateTime(d).date()));
        if (m_day->loader.LoadDay(d)) {
            QString failed;
            // The rest of that day is skipped; the next day is exported.
            if (!WriteDayCsvFiles(prefix, d, m_day->samples.data(), station, &failed, &m_day->repeated)) {
                platform::AppMessageBox(MsgFileOpenError + u'\'' + failed + u'\'', QStringLiteral("Error"));
                allWritten = false;
            }
            exported = true;
        }
        pgbCopy->setValue(i + 1);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    lblDate->setText(TxtExportDone);
    if (exported && !platform::Windows1252CanHold(station.StationName))
        platform::MessageDlg(NameCutText(), platform::MsgDlgType::Information, platform::mbOK);
    return allWritten;
}

void TfrmExcelTransfer::bbtQuitClick()
{
    done(2);
}

void TfrmExcelTransfer::done(int)
{
    QDialog::done(2);
}

void TfrmExcelTransfer::dtpCloseUp()
{
    FillFileList();
}

void TfrmExcelTransfer::lbxFilesClick()
{
    lbxFiles->setCurrentRow(-1);
}

void TfrmExcelTransfer::btnChangeClick()
{
    TfrmDirSelect* chooser = frmDirSelect;
    if (!chooser)
        return;
    chooser->Path = CurrentStation.InitialDir;
    if (chooser->exec() != 1)
        return;
    CurrentStation.InitialDir = chooser->Path;
    FillFileList();
}
