#include "device/tfrmconnect.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShowEvent>
#include <QVBoxLayout>

#include "data/numbertext.h"
#include "data/runtimetexts.h"
#include "data/stationsettings.h"
#include "device/programstate.h"
#include "device/tdatamodudp.h"
#include "device/ttagtimer.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/eventwait.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/inetaddr.h"
#include "platform/core/named.h"
#include "platform/gui/tstringgrid.h"

using platform::Guard;
using platform::Named;
using namespace searchreply;

TfrmConnect* frmConnect = nullptr;

namespace {
const int ColumnWidths[5] = {103, 62, 58, 122, 104};
constexpr int FirstEvaluationMs = 1000;
constexpr int PauseMs = 2500;
constexpr int CollectionMs = 1500;

}  // namespace

TfrmConnect::TfrmConnect(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmConnect"));
    lblNetFound = Named(new QLabel(this), "lblNetFound");
    lblScanning = Named(new QLabel(this), "lblScanning");
    lblNoNetwork = Named(new QLabel(this), "lblNoNetwork");
    lblNoNetwork->hide();
    sgrDevices = Named(new TStringGrid(5, this), "sgrDevices");
    for (int c = 0; c < 5; ++c)
        sgrDevices->setColumnWidth(c, ColumnWidths[c]);
    sgrDevices->horizontalHeader()->setStretchLastSection(true);
    sgrDevices->verticalHeader()->setDefaultSectionSize(22);
    sgrDevices->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgrDevices->setSelectionMode(QAbstractItemView::SingleSelection);
    sgrDevices->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgrDevices->SetRowCount(2);
    lbxMsgs = Named(new QListWidget(this), "lbxMsgs");
    lbxMsgs->hide();
    bbtOK = Named(new QPushButton(this), "bbtOK");
    bbtQuit = Named(new QPushButton(this), "bbtQuit");
    bbtOK->setDefault(true);
    Timer = new TTagTimer(this);
    Timer->setInterval(CollectionMs);

    auto* head = new QHBoxLayout;
    head->addWidget(lblNetFound);
    head->addStretch(1);
    head->addWidget(lblNoNetwork);
    head->addWidget(lblScanning);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbtOK);
    buttons->addWidget(bbtQuit);
    auto* main = new QVBoxLayout(this);
    main->addLayout(head);
    main->addWidget(sgrDevices, 1);
    main->addLayout(buttons);
    resize(520, 260);

    // Cancel ends a running query as well; Escape and the close box act as Cancel.
    platform::SetAbortButton(this, bbtQuit);
    connect(Timer, &QTimer::timeout, this, Guard([this] { TimerTimer(); }));
    connect(bbtOK, &QPushButton::clicked, this, Guard([this] { bbtOKClick(); }));
    connect(bbtQuit, &QPushButton::clicked, this, Guard([this] { bbtQuitClick(); }));
    connect(sgrDevices, &QTableWidget::cellClicked, this, Guard([this] { sgrDevicesClick(); }));
    connect(sgrDevices, &QTableWidget::cellDoubleClicked, this, Guard([this] { sgrDevicesDblClick(); }));
    // Keys move the choice as a click does; an evaluation's own moves are no choice.
    connect(sgrDevices, &QTableWidget::currentCellChanged, this, [this] {
        if (!m_evaluating && isVisible())
            NoteChoice();
    });
    if (DataModUDP)
        ReportFrom(*DataModUDP);
}

void TfrmConnect::ReportFrom(TDataModUDP& model)
{
    // The module may outlive this window.
    model.OnSearchReply = [w = QPointer<TfrmConnect>(this)](const QString& text) {
        if (w)
            w->AddReply(text);
    };
}

void TfrmConnect::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        platform::Guarded([this] { FormShow(); });
}

void TfrmConnect::FormShow()
{
    bbtOK->setEnabled(false);
    lblScanning->show();
    lbxMsgs->clear();
    m_chosen = false;
    m_chosenId.clear();
    Search();
    // Earlier rows stay until an evaluation replaces them.
    Timer->setInterval(FirstEvaluationMs);
    Timer->start();
}

void TfrmConnect::TimerTimer()
{
    if (!lblScanning->isHidden()) {
        // A collection has run.
        lblScanning->hide();
        EvaluateReplies();
        Timer->setInterval(PauseMs);
        Timer->start();
    } else {
        // The pause is over.
        lblScanning->show();
        lbxMsgs->clear();
        Search();
        Timer->setInterval(CollectionMs);
        Timer->start();
    }
}

void TfrmConnect::Search()
{
    if (DataModUDP)
        lblNoNetwork->setVisible(!DataModUDP->SearchDevices());
}

void TfrmConnect::FormClose()
{
    Timer->stop();
    if (DataModUDP)
        DataModUDP->AbortQuery();
    QDialog::done(ResultValue);
}

void TfrmConnect::reject() { FormClose(); }

void TfrmConnect::AddReply(const QString& text)
{
    int at = 0;
    while (at < lbxMsgs->count() && QString::compare(lbxMsgs->item(at)->text(), text, Qt::CaseInsensitive) <= 0)
        ++at;
    lbxMsgs->insertItem(at, text);
}

void TfrmConnect::SplitReply(const QString& text) { Split(text, ReplyFields); }

void TfrmConnect::EvaluateReplies()
{
    // A tick of the cycle inside a query's wait finds the evaluation running: one at a time.
    if (m_evaluating)
        return;
    const QScopedValueRollback evaluating(m_evaluating, true);
    int row = 1;
    // The list may be refilled while a query waits: its count is read at every step. A
    // closed window asks no more.
    for (int i = 0; i < lbxMsgs->count() && isVisible(); ++i) {
        SplitReply(lbxMsgs->item(i)->text());
        if (ReplyFields[FieldModel] != QLatin1String(SearchedModel))
            continue;
        const QString id = ReplyFields[FieldId];
        // Kept, queried, stored and opened in its canonical form ("010.0.0.1" is 10.0.0.1).
        const QString address = platform::CanonicalIPv4(ReplyFields[FieldAddress]);
        const QString mask = ReplyFields[FieldMask];
        if (address.isEmpty())
            continue;
        if (sgrDevices->RowCount() < row + 1)
            sgrDevices->SetRowCount(row + 1);
        sgrDevices->SetCells(3, row, address);
        sgrDevices->SetCells(4, row, mask);
        QString reply = DataModUDP ? DataModUDP->QueryDevice(address, id + QStringLiteral(" 6 STATION.REGION?")) : QString();
        sgrDevices->SetCells(1, row, QueryValue(reply, id));
        reply = DataModUDP ? DataModUDP->QueryDevice(address, id + QStringLiteral(" 6 STATION.STATION?")) : QString();
        sgrDevices->SetCells(2, row, QueryValue(reply, id));
        const QString name = ProgramState().StationName(sgrDevices->Cells(1, row), sgrDevices->Cells(2, row));
        sgrDevices->SetCells(0, row, name.isEmpty() ? QLatin1String(SearchedModel) : name);
        sgrDevices->item(row - 1, 0)->setData(Qt::UserRole, id);
        KeepChoice();
        ++row;
    }
    if (1 < row && row < sgrDevices->RowCount())
        sgrDevices->SetRowCount(row);
    if (lbxMsgs->count() > 0) {
        if (!m_chosen)
            sgrDevices->SetRow(1);
        bbtOK->setEnabled(true);
    }
    KeepChoice();
}

QString TfrmConnect::DeviceIdOf(int row) const
{
    const QTableWidgetItem* item = row >= 1 ? sgrDevices->item(row - 1, 0) : nullptr;
    return item ? item->data(Qt::UserRole).toString() : QString();
}

void TfrmConnect::NoteChoice()
{
    // A row that lists no device is no choice.
    m_chosenId = sgrDevices->currentRow() >= 0 ? DeviceIdOf(sgrDevices->currentRow() + 1) : QString();
    m_chosen = !m_chosenId.isEmpty();
}

void TfrmConnect::KeepChoice()
{
    if (!m_chosen)
        return;
    for (int r = 1; r < sgrDevices->RowCount(); ++r)
        if (DeviceIdOf(r) == m_chosenId) {
            if (sgrDevices->currentRow() != r - 1)
                sgrDevices->SetRow(r);
            return;
        }
    // The chosen device's row has gone: no other device takes its place.
    sgrDevices->clearSelection();
    sgrDevices->setCurrentIndex(QModelIndex());
}

int TfrmConnect::SelectedDeviceRow() const
{
    const int r = sgrDevices->currentRow() + 1;
    return r >= 1 && platform::ParseDottedIPv4(sgrDevices->Cells(3, r)) ? r : 0;
}

void TfrmConnect::bbtOKClick()
{
    // Without a device nothing is taken: no station may lose its address to an empty row.
    const int r = SelectedDeviceRow();
    if (r == 0)
        return;
    TProgramState& stations = ProgramState();
    const int region = StrToIntDef(sgrDevices->Cells(1, r), -1);
    const int station = StrToIntDef(sgrDevices->Cells(2, r), -1);
    if (region == -1 || station == -1) {
        if (platform::MessageDlg(MsgRegionStationUnknown, platform::MsgDlgType::Confirmation,
                                 platform::mbYes | platform::mbNo) != platform::mrYes) {
            bbtQuitClick();
            return;
        }
        stations.ShowStationList();
        TakeDevice(r);
        return;
    }
    stations.WriteStationRow(CurrentStation);  // the station current so far keeps its data
    while (!stations.FindStation(sgrDevices->Cells(1, r), sgrDevices->Cells(2, r))) {
        if (platform::MessageDlg(MsgNoStationForDevice, platform::MsgDlgType::Confirmation,
                                 platform::mbYes | platform::mbNo) != platform::mrYes) {
            bbtQuitClick();
            return;
        }
        stations.ShowStationList();
    }
    TakeDevice(r);
}

void TfrmConnect::TakeDevice(int r)
{
    const QString address = sgrDevices->Cells(3, r);
    TProgramState& stations = ProgramState();
    if (!stations.ReadStationRow(CurrentStation))
        return;
    CurrentStation.IPAddress = address;
    stations.WriteStationRow(CurrentStation);
    ResultValue = 1;
    close();
}

void TfrmConnect::bbtQuitClick()
{
    ResultValue = 2;
    close();
}

void TfrmConnect::sgrDevicesClick()
{
    NoteChoice();
    bbtOK->setEnabled(true);
}

void TfrmConnect::sgrDevicesDblClick() { bbtOKClick(); }

bool TfrmConnect::QueryRegionStation(const QString& address, int& region, int& station)
{
    if (!DataModUDP)
        return false;
    SplitReply(DataModUDP->QueryDevice(address, QStringLiteral("0 1")));
    // Without an id the station queries still go out; no reply can then match.
    const QString id = ReplyFields[FieldId];
    QString text = DataModUDP->QueryDevice(address, id + QStringLiteral(" 6 STATION.REGION?"));
    const QString regionText = text.left(5) == id ? QueryValue(text, id) : QStringLiteral("-1");
    text = DataModUDP->QueryDevice(address, id + QStringLiteral(" 6 STATION.STATION?"));
    const QString stationText = text.left(5) == id ? QueryValue(text, id) : QStringLiteral("-1");
    const int rg = StrToIntDef(regionText, -1);
    const int st = StrToIntDef(stationText, -1);
    if (rg == -1 || st == -1)
        return false;
    region = rg;
    station = st;
    return true;
}
