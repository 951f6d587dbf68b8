#include "app/windows/tfrmstation.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "data/econverterror.h"
#include "app/windows/hourranges.h"
#include "app/windows/mainwindowstate.h"
#include "app/windows/tfrmstatedit.h"
#include "app/windows/tfrmtimezone.h"
#include "platform/gui/tstringgrid.h"
#include "platform/gui/exceptionguard.h"

TfrmStation* frmStation = nullptr;

namespace {
const int DesignWidths[5] = {56, 57, 115, 115, 144};
const char* const DefaultHours[6] = {"22", "6", "6", "18", "0", "0"};
constexpr int FirstHourColumn = 11;

QString threeDigits(const QString& text) { return QString::asprintf("%03d", StrToInt(text)); }
}  // namespace

TfrmStation::TfrmStation(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmStation"));
    stgList = new TStringGrid(StationColumns, this);
    stgList->setObjectName(QStringLiteral("stgList"));
    for (int c = 0; c < StationColumns; ++c) {
        stgList->setColumnWidth(c, c < 5 ? DesignWidths[c] : 48);
        stgList->setColumnHidden(c, c >= 5);  // only the first five are meant to be seen
    }
    stgList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    stgList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    stgList->horizontalHeader()->setStretchLastSection(true);
    stgList->verticalHeader()->setDefaultSectionSize(22);

    lblStation = new QLabel(this);
    lblStation->setObjectName(QStringLiteral("lblStation"));
    bbtNew = new QPushButton(this);
    bbtNew->setObjectName(QStringLiteral("bbtNew"));
    bbtEdit = new QPushButton(this);
    bbtEdit->setObjectName(QStringLiteral("bbtEdit"));
    bbtDelete = new QPushButton(this);
    bbtDelete->setObjectName(QStringLiteral("bbtDelete"));
    bbtExit = new QPushButton(this);
    bbtExit->setObjectName(QStringLiteral("bbtExit"));
    bbtExit->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(bbtNew);
    buttons->addWidget(bbtEdit);
    buttons->addWidget(bbtDelete);
    buttons->addStretch(1);
    buttons->addWidget(bbtExit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblStation);
    layout->addWidget(stgList, 1);
    layout->addLayout(buttons);
    resize(560, 330);

    using platform::Guard;
    connect(stgList, &QTableWidget::cellClicked, this, Guard([this] { stgListClick(); }));
    connect(stgList, &QTableWidget::currentCellChanged, this, Guard([this] {
        if (stgList->hasFocus())  // keyboard moves; code that moves the selection sets ActiveRow itself
            stgListClick();
    }));
    connect(stgList, &QTableWidget::cellDoubleClicked, this, Guard([this] {
        stgListClick();
        stgListDblClick();
    }));
    connect(bbtNew, &QPushButton::clicked, this, Guard([this] { bbtNewClick(); }));
    connect(bbtEdit, &QPushButton::clicked, this, Guard([this] { bbtEditClick(); }));
    connect(bbtDelete, &QPushButton::clicked, this, Guard([this] { bbtDeleteClick(); }));
    connect(bbtExit, &QPushButton::clicked, this, [this] { done(1); });
}

void TfrmStation::reject() { done(2); }

void TfrmStation::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TfrmStation::FitColumns()
{
    int total = 0;
    for (int c = 0; c < 5; ++c) {
        const int w = std::max({DesignWidths[c], stgList->ContentWidth(c),
                                stgList->horizontalHeader()->sectionSizeHint(c)});
        stgList->setColumnWidth(c, w);
        total += w;
    }
    // On a narrow screen the columns scroll rather than push the buttons off it.
    const int wanted = total + stgList->verticalScrollBar()->sizeHint().width() + 2 * stgList->frameWidth() + 2;
    const int room = screen() ? screen()->availableGeometry().width() - 40 : wanted;
    stgList->setHorizontalScrollBarPolicy(wanted > room ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    stgList->setMinimumWidth(std::min(wanted, room));
    if (width() < sizeHint().width())
        resize(sizeHint().width(), height());
}

void TfrmStation::FormShow()
{
    FitColumns();
    UpdateButtons();
    if (ActiveRow == -1) {
        ActiveRow = 1;
        stgList->SetRow(1);
        // The editor opens on the default row as soon as the list is up.
        QTimer::singleShot(0, this, [this] {
            if (isVisible())
                bbtEdit->click();
        });
    }
}

bool TfrmStation::ReadStationRow(TStationSettings& rec)
{
    const int r = ActiveRow;
    if (r < 1 || r >= stgList->RowCount())
        return false;
    auto cell = [&](int c) { return stgList->Cells(c, r); };

    const int region = StrToInt(cell(0));
    const int number = StrToInt(cell(1));
    const int bias = StrToInt(cell(5));
    const int daylight = StrToInt(cell(6));
    const int lastUpdate = StrToInt(cell(7));
    QString wd[6], sd[6];
    for (int i = 0; i < 6; ++i) {
        wd[i] = cell(FirstHourColumn + i);
        sd[i] = cell(FirstHourColumn + 6 + i);
    }

    rec.RegionNumber = region;
    rec.StationNumber = number;
    rec.StationName = cell(2);
    rec.IPAddress = cell(3);
    rec.ZoneBias = bias;
    rec.Daylight = daylight != 0;
    rec.LastUpdate = lastUpdate;
    rec.SubnetMask = cell(8);
    rec.LoginName = cell(9);
    rec.LoginPass = cell(10);
    DeriveHourRanges(HourBoundsOf(wd), rec.WeekdayRanges);
    DeriveHourRanges(HourBoundsOf(sd), rec.SundayRanges);
    m_readFrom[&rec] = stgList->RowId(r);
    return true;
}

void TfrmStation::WriteStationRow(const TStationSettings& rec)
{
    const auto it = m_readFrom.find(&rec);
    if (it == m_readFrom.end())
        return;
    const int r = stgList->FindRowById(it->second);
    if (r == 0)
        return;
    stgList->SetCells(7, r, QString::number(static_cast<long long>(std::trunc(rec.LastUpdate))));
    stgList->SetCells(3, r, rec.IPAddress);
    stgList->SetCells(8, r, rec.SubnetMask);
    stgList->SetCells(9, r, rec.LoginName);
    stgList->SetCells(10, r, rec.LoginPass);
}

QString TfrmStation::StationName(const QString& regionText, const QString& stationText) const
{
    for (int r = 1; r < stgList->RowCount(); ++r)
        if (stgList->Cells(0, r) == regionText && stgList->Cells(1, r) == stationText)
            return stgList->Cells(2, r);
    return QString();
}

bool TfrmStation::FindStation(const QString& regionText, const QString& stationText)
{
    for (int r = 1; r < stgList->RowCount(); ++r)
        if (stgList->Cells(0, r) == regionText && stgList->Cells(1, r) == stationText) {
            ActiveRow = r;
            return true;
        }
    return false;
}

bool TfrmStation::IsUniqueRegionStation(int region, int station) const
{
    for (int r = 1; r < stgList->RowCount(); ++r) {
        if (r == ActiveRow)
            continue;
        if (StrToInt(stgList->Cells(0, r)) == region && StrToInt(stgList->Cells(1, r)) == station)
            return false;
    }
    return true;
}

int TfrmStation::CheckHourWindows() const
{
    if (!frmStatEdit)
        return 0;
    QString t[12];
    for (int i = 0; i < 12; ++i)
        t[i] = frmStatEdit->HourEdit(i)->text();
    return CheckHourBounds(t);
}

void TfrmStation::UpdateButtons()
{
    const int rows = stgList->RowCount();
    if (rows < 2) {
        bbtEdit->setEnabled(false);
        bbtDelete->setEnabled(false);
        return;
    }
    bbtEdit->setEnabled(true);
    bbtDelete->setEnabled(rows >= 3);
    if (ActiveRow > 0 && ActiveRow < rows)
        stgList->SetRow(ActiveRow);
}

QString TfrmStation::RowLabel(int row) const
{
    return stgList->Cells(2, row) + QStringLiteral(" (") + stgList->Cells(0, row) +
           QStringLiteral("/") + stgList->Cells(1, row) + QStringLiteral(")");
}

void TfrmStation::FillStationBox()
{
    QStringList labels;
    for (int r = 1; r < stgList->RowCount(); ++r)
        labels << RowLabel(r);
    MainWindowState().StationListChanged(labels, ActiveRow >= 1 && ActiveRow <= labels.size() ? ActiveRow - 1 : -1);
}

QStringList TfrmStation::DefaultRow()
{
    const QString zone = frmTimezone ? frmTimezone->ZoneText(-3600) : TfrmTimezone::ZoneEntries()[4];
    QStringList row = {QStringLiteral("0"), QStringLiteral("0"), QString(), QString(), zone,
                       QStringLiteral("-3600"), QStringLiteral("1"), QStringLiteral("38353"),
                       QStringLiteral("255.255.255.0"), QStringLiteral("kqv"), QStringLiteral("kqv")};
    for (int day = 0; day < 2; ++day)
        for (const char* h : DefaultHours)
            row << QString::fromLatin1(h);
    return row;
}

void TfrmStation::ReplaceWithDefaultRow()
{
    stgList->SetRowCount(1);
    stgList->SetRowCount(2);
    stgList->SetRowTexts(1, DefaultRow());
    ActiveRow = -1;
    FillStationBox();
}

void TfrmStation::FillEditorHours(const QStringList& hours)
{
    for (int i = 0; i < 12; ++i)
        frmStatEdit->HourEdit(i)->setText(i < hours.size() ? hours[i] : QString());
}

QStringList TfrmStation::EditorHours() const
{
    QStringList hours;
    for (int i = 0; i < 12; ++i)
        hours << frmStatEdit->HourEdit(i)->text();
    return hours;
}

void TfrmStation::stgListClick()
{
    const int r = stgList->currentRow() + 1;
    if (r >= 1 && r < stgList->RowCount())
        ActiveRow = r;
}

void TfrmStation::stgListDblClick() { bbtExit->click(); }

void TfrmStation::bbtNewClick()
{
    const int remembered = ActiveRow;
    frmStatEdit->edRegNum->setText(QString());
    frmStatEdit->edStatNum->setText(QString());
    frmStatEdit->edAktName->setText(QString());
    frmStatEdit->edTimezoneStr->setText(frmTimezone ? frmTimezone->ZoneText(CurrentStation.ZoneBias) : QString());
    frmStatEdit->edTimezone->setText(QString::number(CurrentStation.ZoneBias));
    frmStatEdit->edDaylight->setText(CurrentStation.Daylight ? QStringLiteral("1") : QStringLiteral("0"));
    QStringList hours;
    for (int day = 0; day < 2; ++day)
        for (const char* h : DefaultHours)
            hours << QString::fromLatin1(h);
    FillEditorHours(hours);

    ActiveRow = -1;  // compare the new station with every row
    if (frmStatEdit->exec() == 1) {
        const int r = stgList->RowCount();
        QStringList row = {threeDigits(frmStatEdit->edRegNum->text()),
                           threeDigits(frmStatEdit->edStatNum->text()),
                           frmStatEdit->edAktName->text(),
                           QString(),
                           frmStatEdit->edTimezoneStr->text(),
                           frmStatEdit->edTimezone->text(),
                           frmStatEdit->edDaylight->text(),
                           QStringLiteral("36161"),
                           QStringLiteral("255.255.255.0"),
                           QStringLiteral("kqv"),
                           QStringLiteral("kqv")};
        row << EditorHours();
        stgList->SetRowCount(r + 1);
        stgList->SetRowTexts(r, row);
        ActiveRow = r;
        stgList->SetRow(r);
    } else {
        ActiveRow = remembered;
    }
    bbtNew->setEnabled(true);
    FitColumns();
    UpdateButtons();
}

void TfrmStation::bbtEditClick()
{
    ActiveRow = stgList->Row();
    const int r = ActiveRow;
    if (r < 1) {
        UpdateButtons();
        return;
    }
    frmStatEdit->edRegNum->setText(stgList->Cells(0, r));
    frmStatEdit->edStatNum->setText(stgList->Cells(1, r));
    frmStatEdit->edAktName->setText(stgList->Cells(2, r));
    frmStatEdit->edTimezoneStr->setText(stgList->Cells(4, r));
    frmStatEdit->edTimezone->setText(stgList->Cells(5, r));
    frmStatEdit->edDaylight->setText(stgList->Cells(6, r));
    QStringList hours;
    for (int i = 0; i < 12; ++i)
        hours << stgList->Cells(FirstHourColumn + i, r);
    FillEditorHours(hours);

    if (frmStatEdit->exec() == 1) {
        stgList->SetCells(0, r, threeDigits(frmStatEdit->edRegNum->text()));
        stgList->SetCells(1, r, threeDigits(frmStatEdit->edStatNum->text()));
        stgList->SetCells(2, r, frmStatEdit->edAktName->text());
        stgList->SetCells(4, r, frmStatEdit->edTimezoneStr->text());
        stgList->SetCells(5, r, frmStatEdit->edTimezone->text());
        stgList->SetCells(6, r, frmStatEdit->edDaylight->text());
        const QStringList edited = EditorHours();
        for (int i = 0; i < 12; ++i)
            stgList->SetCells(FirstHourColumn + i, r, edited[i]);
        FitColumns();
    }
    UpdateButtons();
}

void TfrmStation::bbtDeleteClick()
{
    const int r = stgList->Row();
    // The last station stays: its button is disabled, and a call from code does nothing either.
    if (r == 0 || stgList->RowCount() < 3)
        return;
    const bool wasLast = r == stgList->RowCount() - 1;
    stgList->DeleteRow(r);
    stgList->SetRow(wasLast && r >= 2 ? r - 1 : r);
    ActiveRow = stgList->Row();
    UpdateButtons();
}
