#include "device/tfrmrsconfig.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTimer>

#include "data/numbertext.h"
#include "data/runtimetexts.h"
#include "device/programstate.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/eventwait.h"
#include "platform/gui/exceptionguard.h"
#include "platform/gui/pressgate.h"
#include "platform/gui/tradiogroup.h"

using namespace rsconfig;

TfrmRSConfig* frmRSConfig = nullptr;

namespace {

void enableAll(std::initializer_list<QWidget*> widgets, bool enabled)
{
    for (QWidget* w : widgets)
        w->setEnabled(enabled);
}

// Index of a combo box or radio group; a value without an item takes the default.
int checkedIndex(int index, int count, int defaultIndex)
{
    return index >= 0 && index < count ? index : defaultIndex;
}

// Marks edits by what their key filter and exit check are.
const char* const FilterProperty = "rsconfigFilter";
enum Filter { NoFilter, IntegerFilter, IpAddressFilter, TimeFilter };

}  // namespace

TfrmRSConfig::TfrmRSConfig(QWidget* owner) : QDialog(owner)
{
    BuildComponents();
    CreateProtocolComponents();

    TimeTimer = new QTimer(this);
    TimeTimer->setObjectName("TimeTimer");
    TimeTimer->setInterval(1000);

    // Every edit starts empty; the dial-up panels show the analog one.
    for (QLineEdit* e : findChildren<QLineEdit*>())
        if (e->objectName().startsWith("ed"))
            e->clear();

    m_finishGate = new PressGate(bbtContinue);
    ResetControls();
    ConnectHandlers();
    ConnectOperatorChanges();
    TimeTimer->start();
    platform::SetAbortButton(this, bbtExit);
}

TfrmRSConfig::~TfrmRSConfig()
{
    if (frmRSConfig == this)
        frmRSConfig = nullptr;
}

void TfrmRSConfig::ConnectHandlers()
{
    using platform::Guard;
    connect(TimeTimer, &QTimer::timeout, this, Guard([this] { TimeTimerTimer(); }));
    connect(bbtContinue, &QPushButton::clicked, this, Guard([this] { bbtContinueClick(); }));
    connect(bbtExit, &QPushButton::clicked, this, Guard([this] { bbtExitClick(); }));
    connect(bbtTest, &QPushButton::clicked, this, Guard([this] { bbtTestClick(); }));
    connect(bbtSetTime, &QPushButton::clicked, this, Guard([this] { bbtSetTimeClick(); }));
    connect(bbtSelTimezone, &QPushButton::clicked, this, Guard([this] { bbtSelTimezoneClick(); }));
    // Combo boxes react to the operator only, as their change events did.
    connect(cbxPorts, &QComboBox::activated, this, Guard([this] { cbxPortsChange(); }));
    connect(cbxDHCP, &QComboBox::activated, this, Guard([this] { cbxDHCPChange(); }));
    connect(cbxModem, &QComboBox::activated, this, Guard([this] { cbxModemChange(); }));
    connect(cbxWahlArt, &QComboBox::activated, this, Guard([this] { cbxWahlArtChange(); }));
    connect(cbxUpdtDo, &QComboBox::activated, this, Guard([this] { cbxUpdtDoChange(); }));
    connect(cbxWahl, &QComboBox::activated, this, Guard([this] { edChanged(); }));
    connect(rgpLanguage, &TRadioGroup::clicked, this, Guard([this] { edChanged(); }));
    connect(dtpDate, &QDateEdit::dateChanged, this, Guard([this] { dtpDateTimeChange(); }));
    connect(dtpTime, &QTimeEdit::timeChanged, this, Guard([this] { dtpDateTimeChange(); }));
    connect(edContrast, &QLineEdit::textChanged, this, Guard([this] { edContrastChange(); }));
    connect(tbContrast, &QSlider::valueChanged, this, Guard([this] { tbContrastChange(); }));

    // Edits whose changes mark the window modified; an edit's change event also ran for
    // changes made in code.
    for (QLineEdit* e : {edStationsnr, edRegionsnr, edChecksum, edServer, edPath, edUser,
                         edPassword, edIPAddress, edSubnet, edGateway, edDNS1, edDNS2, edAmt,
                         edTelProv, edUserProv, edPassProv, edWahlZt1, edWahlZt2, edWahlZt3,
                         edWebUser, edWebPassw, edUser0, edPassw0, edTimeServ1, edTimeServ2,
                         edUpdtHost, edUpdtUser, edUpdtPassw, edUpdtDir})
        connect(e, &QLineEdit::textChanged, this, Guard([this] { edChanged(); }));

    auto filter = [this](QLineEdit* e, Filter f) {
        e->setProperty(FilterProperty, int(f));
        e->installEventFilter(this);
    };
    for (QLineEdit* e : {edRegionsnr, edStationsnr, edChecksum, edContrast})
        filter(e, IntegerFilter);
    for (QLineEdit* e : {edIPAddress, edSubnet, edGateway, edDNS1, edDNS2})
        filter(e, IpAddressFilter);
    filter(edWahlZt1, TimeFilter);
}

// ---------------------------------------------------------------------------------------
// Showing and closing

void TfrmRSConfig::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    if (!e->spontaneous())
        platform::Guarded([this] { FormShow(); });
}

void TfrmRSConfig::done(int r)
{
    platform::Guarded([this] { FormClose(); });
    QDialog::done(r);
}

void TfrmRSConfig::closeEvent(QCloseEvent* e)
{
    // The window's close box asks as the exit button does; closing from code does not.
    if (e->spontaneous() && Modified
        && platform::MessageDlg(MsgDiscardChanges, platform::MsgDlgType::Warning,
                                platform::mbYes | platform::mbNo)
               != platform::mrYes) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

void TfrmRSConfig::keyPressEvent(QKeyEvent* e)
{
    if (e->key() == Qt::Key_Escape) {
        platform::Guarded([this] { bbtExitClick(); });
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfrmRSConfig::bbtExitClick()
{
    // Leaving during the read discards nothing of the operator's.
    if (Modified && !m_reading
        && platform::MessageDlg(MsgDiscardChanges, platform::MsgDlgType::Warning,
                                platform::mbYes | platform::mbNo)
               != platform::mrYes)
        return;
    done(2);
}

// ---------------------------------------------------------------------------------------
// Enable rules

void TfrmRSConfig::cbxDHCPChange()
{
    enableAll({lblIPAddress, lblSubnet, lblGateway, lblDNS1, lblDNS2, edIPAddress, edSubnet, edGateway, edDNS1, edDNS2},
              cbxDHCP->currentIndex() != 1);  // off, or not known
    Modified = true;
}

void TfrmRSConfig::cbxModemChange()
{
    enableAll({lblProtokoll, lblEigNr, cbxProtokoll, edEigNr, lblWahl, cbxWahl, lblAmt, edAmt,
                lblTelProv, lblUserProv, lblPassProv, edTelProv, edUserProv, edPassProv},
               cbxModem->currentIndex() != 0);
    Modified = true;
}

void TfrmRSConfig::cbxWahlArtChange()
{
    enableAll({lblWahlZt1, lblWahlZt2, lblWahlZt3, edWahlZt1, edWahlZt2, edWahlZt3},
               cbxWahlArt->currentIndex() != 0);
    Modified = true;
}

void TfrmRSConfig::cbxUpdtDoChange()
{
    enableAll({lblUpdtHost, edUpdtHost, lblUpdtUser, edUpdtUser, lblUpdtPassw, edUpdtPassw,
                lblUpdtDir, edUpdtDir},
               cbxUpdtDo->currentIndex() == 0);
    Modified = true;
}

void TfrmRSConfig::edChanged() { Modified = true; }

// ---------------------------------------------------------------------------------------
// Contrast pair: the edit moves the bar, the bar writes the edit.

void TfrmRSConfig::edContrastChange()
{
    const int v = StrToIntDef(edContrast->text(), -1);
    if (v == tbContrast->value())
        return;
    if (v < 1)
        edContrast->setText("1");
    else if (v > 199)
        edContrast->setText("199");
    else
        tbContrast->setValue(v);
    Modified = true;
}

void TfrmRSConfig::tbContrastChange()
{
    if (isVisible())
        edContrast->setText(QString::number(tbContrast->value()));
}

// ---------------------------------------------------------------------------------------
// Key filters and the checks on leaving an edit

bool TfrmRSConfig::eventFilter(QObject* watched, QEvent* event)
{
    auto* ed = qobject_cast<QLineEdit*>(watched);
    if (!ed)
        return QDialog::eventFilter(watched, event);
    const auto filter = Filter(ed->property(FilterProperty).toInt());
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        // Keys without a character (arrows, Delete) and the dialog keys pass, as only
        // typed characters reached the key filters.
        if (text.isEmpty() || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab
            || key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return
            || key->key() == Qt::Key_Enter)
            return false;
        const QChar c = text.at(0);
        const bool accepted = filter == IntegerFilter   ? IntegerKeyAccepted(c)
                              : filter == IpAddressFilter ? IpAddressKeyAccepted(c)
                              : filter == TimeFilter      ? TimeKeyAccepted(c)
                                                          : true;
        return !accepted;
    }
    if (event->type() == QEvent::FocusOut && !m_inExitCheck && isVisible()) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        // Checked once the focus has moved, so that the edit can take it back.
        if (filter == IpAddressFilter || filter == TimeFilter)
            QMetaObject::invokeMethod(
                this,
                [this, ed = QPointer<QLineEdit>(ed), filter] {
                    if (!ed || !isVisible() || m_inExitCheck)
                        return;
                    platform::Guarded([&] {
                        if (filter == IpAddressFilter)
                            edIPAddressExit(ed);
                        else
                            edUhrzeitExit(ed);
                    });
                },
                Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}

namespace {

// Refuses a text: the message, then the text selected and the edit focused again (on its
// own page, when the operator left it by changing the page).
void refuse(QTabWidget* pages, QLineEdit* ed, const QString& message)
{
    platform::MessageDlg(message + ed->text(), platform::MsgDlgType::Error, platform::mbOK);
    for (int i = 0; i < pages->count(); ++i)
        if (pages->widget(i)->isAncestorOf(ed))
            pages->setCurrentIndex(i);
    ed->selectAll();
    ed->setFocus(Qt::OtherFocusReason);
}

}  // namespace

bool TfrmRSConfig::edIPAddressExit(QLineEdit* ed)
{
    if (ed->text().isEmpty() || IsIpAddressText(ed->text()))
        return true;
    m_inExitCheck = true;
    refuse(PageControl, ed, MsgInvalidIpAddress);
    m_inExitCheck = false;
    return false;
}

bool TfrmRSConfig::edUhrzeitExit(QLineEdit* ed)
{
    if (ed->text().isEmpty() || IsTimeText(ed->text()))
        return true;
    m_inExitCheck = true;
    refuse(PageControl, ed, MsgInvalidTime);
    m_inExitCheck = false;
    return false;
}

// ---------------------------------------------------------------------------------------
// Clock and time zone

void TfrmRSConfig::TimeTimerTimer()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QSignalBlocker blockDate(dtpDate);
    const QSignalBlocker blockTime(dtpTime);
    dtpDate->setDate(now.date());
    dtpTime->setTime(now.time());
}

void TfrmRSConfig::dtpDateTimeChange() { TimeTimer->stop(); }

void TfrmRSConfig::ShowZoneOfOffset()
{
    if (const auto text = ProgramState().ZoneText(-StrToIntDef(edTimezone->text(), 0))) {
        edTimezoneStr->setText(*text);
        edTimezoneStr->setCursorPosition(0);
    }
}

void TfrmRSConfig::bbtSelTimezoneClick()
{
    int32_t bias = -StrToIntDef(edTimezone->text(), 0);
    bool daylight = StrToIntDef(edDaylight->text(), 0) != 0;
    if (!ProgramState().ChooseZone(bias, daylight))
        return;
    edTimezoneStr->setText(ProgramState().ZoneText(bias).value_or(QString()));
    edTimezoneStr->setCursorPosition(0);
    edTimezone->setText(QString::number(-bias));
    edDaylight->setText(daylight ? "1" : "0");
    if (const KeyEntry* k = FindKey(QStringLiteral("time.offset")))
        OperatorChanged(*k);
}

// ---------------------------------------------------------------------------------------
// Values of the key table

void TfrmRSConfig::ApplyValue(const KeyEntry& key, const QString& value)
{
    QWidget* control = key.control[0] ? findChild<QWidget*>(QLatin1String(key.control)) : nullptr;
    switch (key.conversion) {
    case Conversion::Text:
        if (auto* e = qobject_cast<QLineEdit*>(control))
            e->setText(value);
        break;
    case Conversion::Index:
        if (auto* c = qobject_cast<QComboBox*>(control))
            c->setCurrentIndex(checkedIndex(IndexFromValue(value, key.defaultValue), c->count(),
                                            key.defaultValue));
        else if (auto* r = qobject_cast<TRadioGroup*>(control))
            r->SetItemIndex(checkedIndex(IndexFromValue(value, key.defaultValue), r->Count(),
                                         key.defaultValue));
        break;
    case Conversion::Protokoll:
        cbxProtokoll->setCurrentIndex(
            checkedIndex(ProtokollIndexFromValue(value), cbxProtokoll->count(), key.defaultValue));
        break;
    case Conversion::Contrast:
        tbContrast->setValue(ContrastFromValue(value));
        // The bar writes the edit only when it moves; keep the two in step.
        if (StrToIntDef(edContrast->text(), -1) != tbContrast->value())
            edContrast->setText(QString::number(tbContrast->value()));
        break;
    case Conversion::Led:
        chbLight->setTristate(false);
        chbLight->setChecked(LedFromValue(value));
        break;
    case Conversion::ModemType:
        m_readPanel = PanelFromModemType(value);
        lblModemNotInstalled->setVisible(m_readPanel == ModemPanel::None);
        if (m_readPanel != ModemPanel::None)
            cbxModem->setEnabled(true);
        cbxModem->setVisible(m_readPanel != ModemPanel::None);
        pnlAnalog->setVisible(m_readPanel != ModemPanel::Isdn);
        pnlISDN->setVisible(m_readPanel == ModemPanel::Isdn);
        break;
    case Conversion::ZoneOffset:
        edTimezone->setText(value);
        edDaylight->setText("0");
        ShowZoneOfOffset();
        break;
    }
}

QString TfrmRSConfig::ControlValue(const KeyEntry& key) const
{
    QWidget* control = key.control[0] ? findChild<QWidget*>(QLatin1String(key.control)) : nullptr;
    switch (key.conversion) {
    case Conversion::Text:
    case Conversion::ZoneOffset:
        if (auto* e = qobject_cast<QLineEdit*>(control))
            return e->text();
        return QString();
    case Conversion::Index:
        if (auto* c = qobject_cast<QComboBox*>(control))
            return ValueFromIndex(c->currentIndex());
        if (auto* r = qobject_cast<TRadioGroup*>(control))
            return ValueFromIndex(r->ItemIndex());
        return QString();
    case Conversion::Protokoll:
        return ValueFromProtokollIndex(cbxProtokoll->currentIndex());
    case Conversion::Contrast:
        return QString::number(tbContrast->value());
    case Conversion::Led:
        return ValueFromLed(chbLight->isChecked());
    case Conversion::ModemType:
        return QString();
    }
    return QString();
}

// ---------------------------------------------------------------------------------------
// Each showing starts on the port page.

void TfrmRSConfig::FormShow()
{
    const int found = ScanPorts(ProjectToolRunning ? 2 : 8);
    cbxPorts->clear();
    int selected = -1;
    for (int i = 0; i < found; ++i) {
        cbxPorts->addItem("COM " + QString::number(PortList[i]));
        if (selected < 0 && PortList[i] == CurrentStation.PortNumber)
            selected = i;
    }
    if (selected < 0 && found > 0) {
        CurrentStation.PortNumber = PortList[0];
        selected = 0;
    }
    cbxPorts->setCurrentIndex(selected);

    gbxTimeServer->setVisible(ServiceMode);
    gbxSWChecksum->setVisible(ServiceMode);
    PageControl->setTabVisible(PageControl->indexOf(tabService), ServiceMode);

    ProgressBar->setValue(0);
    ProgressBar->setMaximum(ServiceMode ? 37 : 26);
    PrepareRequests();

    bbtContinue->setText(TxtContinue);
    m_finishGate->Reset();
    lblStatus->setText(TxtNotConnected);
    lblAction->clear();
    lblInfo->setText(TxtSelectPort);

    PageControl->hide();
    pnlCOM->show();

    Modified = false;
    TimeTimer->start();
}

void TfrmRSConfig::FormClose()
{
    TimeTimer->stop();
    m_finishGate->Reset();
    EndWaitingRequest();
    ClosePortOnExit();
    RestoreDefaultCursor();
}

void TfrmRSConfig::RestoreDefaultCursor()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}
