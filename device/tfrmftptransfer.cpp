// The transfer window as a whole: its components, showing and closing, the mode table, the
// address fields, the date range and the FTP log list.
#include "device/tfrmftptransfer.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>
#include <vector>

#include "data/numbertext.h"
#include "data/stationsettings.h"
#include "device/programstate.h"
#include "device/tdatamodftp.h"
#include "device/tfrmconnect.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/eventwait.h"
#include "platform/gui/exceptionguard.h"
#include "platform/core/inetaddr.h"
#include "platform/core/named.h"
#include "platform/gui/octetedits.h"
#include "platform/gui/paintthrottle.h"
#include "platform/core/shortdate.h"
#include "platform/gui/steadywidgets.h"
#include "platform/gui/windowkeys.h"

using platform::Named;

TfrmFtpTransfer* frmFtpTransfer = nullptr;

namespace {

QLabel* label(QWidget* parent, const char* name)
{
    return Named(new QLabel(parent), name);
}

QPushButton* button(QWidget* parent, const char* name)
{
    return Named(new QPushButton(parent), name);
}

QDateTimeEdit* picker(QWidget* parent, const char* name)
{
    auto* p = Named(new QDateTimeEdit(parent), name);
    p->setDisplayFormat(platform::ShortDateFormat());
    p->setCalendarPopup(true);
    p->setButtonSymbols(QAbstractSpinBox::NoButtons);
    p->setMinimumWidth(p->fontMetrics().horizontalAdvance(platform::ShortDateText(QDate(2000, 12, 28)) + u'0') + 40);
    return p;
}

QDateTime ToQDateTime(TDateTime value)
{
    int y, mo, d, h, mi, s, ms;
    DecodeDate(value, y, mo, d);
    DecodeTime(value, h, mi, s, ms);
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

TDateTime FromQDateTime(const QDateTime& dt)
{
    return EncodeDate(dt.date().year(), dt.date().month(), dt.date().day())
        + EncodeTime(dt.time().hour(), dt.time().minute(), dt.time().second(), 0);
}

// Said where an address must be a dotted IPv4 one and is not (a stored host name or IPv6
// literal, or octet edits left empty or out of range).
QString NotIPv4Text(const QString& address)
{
    return CurrentStation.CurrentLanguage == 0
        ? QString::fromUtf8("Keine IPv4-Adresse: „%1“ – bitte vier Zahlen von 0 bis 255 eingeben.").arg(address)
        : QStringLiteral("Not an IPv4 address: \"%1\" - please enter four numbers from 0 to 255.").arg(address);
}

// An address no device can have: "this network" (0.x.x.x), multicast and the reserved
// range with the broadcast address (224.0.0.0 and above).
bool IsDeviceAddress(const QString& address)
{
    uint32_t a = 0;
    if (!platform::ParseDottedIPv4(address, &a))
        return false;
    const uint32_t first = a >> 24;
    return first != 0 && first < 224;
}

QString NotDeviceText(const QString& address)
{
    return CurrentStation.CurrentLanguage == 0
        ? QString::fromUtf8("Keine Geräteadresse: „%1“ (0.x.x.x, Multicast- und Broadcast-Adressen hat kein Gerät).").arg(address)
        : QStringLiteral("Not a device address: \"%1\" (no device has a 0.x.x.x, multicast or broadcast address).").arg(address);
}

}  // namespace

// What bbtConnect does in a mode, what is shown and hidden, and whether the transfer part
// (everything below the FTP log) belongs to the window.
struct TfrmFtpTransfer::ModeLayout {
    Handler connect;
    std::vector<QWidget*> shown;
    std::vector<QWidget*> hidden;
    bool transferPart;
};

TfrmFtpTransfer::TfrmFtpTransfer(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmFtpTransfer"));
    setModal(true);
    BuildComponents();
    ConnectHandlers();
    // A transfer changes the window on every reply; 25 pictures a second are enough to follow it.
    m_paintThrottle = new platform::PaintThrottle(this, 40);
    if (DataModFtp)
        ReportFrom(*DataModFtp);
    // While a transfer waits, the abort button, Escape and the close box abort it (and only
    // while the button is enabled: not during a log-in).
    platform::SetAbortButton(this, bbtAbort);
    // A download's held-back view is shown while the next file still runs.
    m_viewTimer = new QTimer(this);
    m_viewTimer->setSingleShot(true);
    connect(m_viewTimer, &QTimer::timeout, this, [this] { ShowDownload(true); });
}

TfrmFtpTransfer::~TfrmFtpTransfer() = default;

void TfrmFtpTransfer::BuildComponents()
{
    auto* top = new QVBoxLayout(this);

    auto* station = new QHBoxLayout;
    lblStatName = label(this, "lblStatName");
    edStatName = Named(new QLineEdit(this), "edStatName");
    edStatName->setReadOnly(true);
    bbtSearch = button(this, "bbtSearch");
    station->addWidget(lblStatName);
    station->addWidget(edStatName, 1);
    station->addWidget(bbtSearch);
    top->addLayout(station);

    auto* conn = new QGridLayout;
    lblUser = label(this, "lblUser");
    edUser = Named(new QLineEdit(this), "edUser");
    lblPassw = label(this, "lblPassw");
    edPassw = Named(new QLineEdit(this), "edPassw");
    edPassw->setEchoMode(QLineEdit::Password);
    edUser->setMaxLength(MaxStationTextChars);
    edPassw->setMaxLength(MaxStationTextChars);
    lblIPAddr = label(this, "lblIPAddr");
    auto* addr = new QHBoxLayout;
    int i = 0;
    for (QLineEdit** ed : {&edAddr1, &edAddr2, &edAddr3, &edAddr4}) {
        *ed = new QLineEdit(this);
        (*ed)->setObjectName(QStringLiteral("edAddr%1").arg(++i));
        (*ed)->setMaxLength(3);
        (*ed)->setFixedWidth(44);
        (*ed)->setAlignment(Qt::AlignRight);
        // Only digits reach an octet edit, typed or pasted.
        (*ed)->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), *ed));
        (*ed)->installEventFilter(this);
        connect(*ed, &QLineEdit::textEdited, this, [this] { ShowAddressLine(); });
        if (i > 1)
            addr->addWidget(new QLabel(QStringLiteral("."), this));
        addr->addWidget(*ed);
    }
    auto* octets = new platform::OctetEdits({edAddr1, edAddr2, edAddr3, edAddr4}, this);
    octets->OnFilled = [this] { ShowAddressLine(); };
    addr->addStretch(1);
    bbtConnect = button(this, "bbtConnect");
    bbtQuit = button(this, "bbtQuit");
    conn->addWidget(lblIPAddr, 0, 0);
    conn->addLayout(addr, 0, 1);
    conn->addWidget(bbtConnect, 0, 2);
    conn->addWidget(lblUser, 1, 0);
    conn->addWidget(edUser, 1, 1);
    conn->addWidget(bbtQuit, 1, 2);
    conn->addWidget(lblPassw, 2, 0);
    conn->addWidget(edPassw, 2, 1);
    top->addLayout(conn);

    lbxFtp = Named(new QListWidget(this), "lbxFtp");
    lbxFtp->setSelectionMode(QAbstractItemView::ExtendedSelection);
    QPalette grey = lbxFtp->palette();
    grey.setColor(QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
    lbxFtp->setPalette(grey);
    lbxFtp->setMinimumHeight(90);
    lbxFtp->setUniformItemSizes(true);
    lbxFtp->installEventFilter(this);
    lbxFtp->setAccessibleName(QStringLiteral("FTP log"));
    top->addWidget(lbxFtp);

    pnlTransfer = Named(new QWidget(this), "pnlTransfer");
    auto* lower = new QVBoxLayout(pnlTransfer);
    lower->setContentsMargins(0, 0, 0, 0);
    pnlDateRange = Named(new QFrame(pnlTransfer), "pnlDateRange");
    pnlDateRange->setFrameShape(QFrame::StyledPanel);
    auto* dates = new QGridLayout(pnlDateRange);
    lblDateRange = label(pnlDateRange, "lblDateRange");
    lblFrom = label(pnlDateRange, "lblFrom");
    lblTo = label(pnlDateRange, "lblTo");
    dtpStart = picker(pnlDateRange, "dtpStart");
    dtpEnd = picker(pnlDateRange, "dtpEnd");
    lblLastBackup = label(pnlDateRange, "lblLastBackup");
    lblToday = label(pnlDateRange, "lblToday");
    for (QWidget* w : {static_cast<QWidget*>(dtpStart), static_cast<QWidget*>(dtpEnd)})
        w->installEventFilter(this);
    dates->addWidget(lblDateRange, 0, 0, 1, 3);
    dates->addWidget(lblFrom, 1, 0);
    dates->addWidget(dtpStart, 1, 1);
    dates->addWidget(lblLastBackup, 1, 2);
    dates->addWidget(lblTo, 2, 0);
    dates->addWidget(dtpEnd, 2, 1);
    dates->addWidget(lblToday, 2, 2);
    dates->setColumnStretch(2, 1);
    lower->addWidget(pnlDateRange);

    lblLoading = label(pnlTransfer, "lblLoading");
    lower->addWidget(lblLoading);
    lbxDir = Named(new QListWidget(pnlTransfer), "lbxDir");
    lbxDir->setSelectionMode(QAbstractItemView::MultiSelection);
    QPalette cream = lbxDir->palette();
    cream.setColor(QPalette::Base, QColor(0xFF, 0xFB, 0xF0));
    lbxDir->setPalette(cream);
    lbxDir->setSortingEnabled(true);
    // One line per entry: a month of entries is not measured anew on every change.
    lbxDir->setUniformItemSizes(true);
    lbxDir->setItemDelegate(new platform::UniformRowDelegate(lbxDir));
    lbxDir->setMinimumSize(520, 200);
    lbxDir->installEventFilter(this);
    lbxDir->setAccessibleName(QStringLiteral("Files"));
    lower->addWidget(lbxDir, 1);

    auto* progress = new QHBoxLayout;
    pgbCopy = Named(new QProgressBar(pnlTransfer), "pgbCopy");
    pgbCopy->setRange(0, 100);
    pgbCopy->setTextVisible(false);
    // Both change with every file: their texts must not lay the window out again each time.
    lblPercent = Named(new platform::SteadyLabel(pnlTransfer), "lblPercent");
    lblPercent->setMinimumWidth(50);
    progress->addWidget(pgbCopy, 1);
    progress->addWidget(lblPercent);
    lower->addLayout(progress);
    lblLoadFile = Named(new platform::SteadyLabel(pnlTransfer), "lblLoadFile");
    lower->addWidget(lblLoadFile);
    cbxOverwrite = Named(new QCheckBox(pnlTransfer), "cbxOverwrite");
    cbxCopyWww = Named(new QCheckBox(pnlTransfer), "cbxCopyWww");
    lower->addWidget(cbxOverwrite);
    lower->addWidget(cbxCopyWww);

    auto* buttons = new QHBoxLayout;
    bbtExit = button(pnlTransfer, "bbtExit");
    bbtAbort = button(pnlTransfer, "bbtAbort");
    bbtDownLoad = button(pnlTransfer, "bbtDownLoad");
    bbtUpLoad = button(pnlTransfer, "bbtUpLoad");
    buttons->addWidget(bbtDownLoad);
    buttons->addWidget(bbtUpLoad);
    buttons->addStretch(1);
    buttons->addWidget(bbtAbort);
    buttons->addWidget(bbtExit);
    lower->addLayout(buttons);
    top->addWidget(pnlTransfer, 1);

    // Enter presses the focused button; in the edits it connects.
    bbtConnect->setDefault(true);
    for (QPushButton* b : {bbtSearch, bbtConnect, bbtQuit, bbtExit, bbtAbort, bbtDownLoad, bbtUpLoad})
        b->installEventFilter(this);
}

void TfrmFtpTransfer::ConnectHandlers()
{
    using platform::Guard;
    connect(bbtConnect, &QPushButton::clicked, this, Guard([this] {
                if (const Handler handler = m_connectHandler)
                    (this->*handler)();
            }));
    connect(bbtQuit, &QPushButton::clicked, this, Guard([this] { bbtQuitClick(); }));
    connect(bbtExit, &QPushButton::clicked, this, Guard([this] { bbtQuitClick(); }));
    connect(bbtAbort, &QPushButton::clicked, this, Guard([this] { bbtAbortClick(); }));
    connect(bbtDownLoad, &QPushButton::clicked, this, Guard([this] { bbtDownLoadDataClick(); }));
    connect(bbtUpLoad, &QPushButton::clicked, this, Guard([this] { bbtUpLoadSysClick(); }));
    connect(bbtSearch, &QPushButton::clicked, this, Guard([this] { bbtSearchClick(); }));
    connect(cbxCopyWww, &QCheckBox::clicked, this, Guard([this] { cbxCopyWwwClick(); }));
    for (QDateTimeEdit* p : {dtpStart, dtpEnd})
        connect(p, &QDateTimeEdit::dateChanged, this, Guard([this] {
                    if (!m_settingDates)
                        dtpCloseUp();
                }));
    for (QLineEdit* ed : {edUser, edPassw})
        connect(ed, &QLineEdit::textEdited, this, [this, ed](const QString& t) {
            if (t != t.toUpper())
                SetUpperCaseText(ed, t);
        });
}

void TfrmFtpTransfer::SetUpperCaseText(QLineEdit* ed, const QString& text)
{
    const int cursor = ed->cursorPosition();
    ed->setText(text.toUpper());
    ed->setCursorPosition(cursor);
}

// ---------------------------------------------------------------------------------------
// Showing and closing

void TfrmFtpTransfer::showEvent(QShowEvent* e)
{
    // Set when first needed: each font looked up costs the program's start a millisecond.
    if (!m_fontsSet) {
        m_fontsSet = true;
        QFont bold = edStatName->font();
        bold.setBold(true);
        edStatName->setFont(bold);
        QFont small = lbxFtp->font();
        small.setPointSize(7);
        lbxFtp->setFont(small);
        QFont mono(QStringLiteral("Courier New"));
        mono.setStyleHint(QFont::Monospace);
        lbxDir->setFont(mono);
    }
    QDialog::showEvent(e);
    if (!e->spontaneous())
        platform::Guarded([this] { FormShow(); });
}

void TfrmFtpTransfer::FormShow()
{
    SetUpperCaseText(edUser, CurrentStation.LoginName);
    SetUpperCaseText(edPassw, CurrentStation.LoginPass);
    edStatName->setText(CurrentStation.StationName);
    CurrentStation.IPAddress = SetIpAddressEdits(CurrentStation.IPAddress);
    lbxFtp->setVisible(ServiceMode);
    lblPercent->clear();
    bbtConnect->setEnabled(true);
    ShowAddressLine();
    bbtDownLoad->setEnabled(false);
    bbtUpLoad->setEnabled(false);
    bbtAbort->setEnabled(false);
    lbxFtp->clear();
    lbxDir->clear();
    pgbCopy->setValue(0);
    TransferResult = 2;
    m_settingDates = true;
    SetStartDateTime(DateOf(CurrentStation.LastUpdate));
    SetEndDateTime(DateOf(Now()) + EncodeTime(23, 59, 0, 0));
    m_settingDates = false;
    lblLastBackup->show();
    lblToday->show();

    // Tested in this order: the first flag set decides.
    const ModeLayout logMode{&TfrmFtpTransfer::ConnectOnlyClick, {bbtQuit}, {bbtExit}, false};
    const ModeLayout uploadMode{&TfrmFtpTransfer::UploadConnectClick,
                                {bbtUpLoad, bbtExit},
                                {bbtDownLoad, cbxOverwrite, cbxCopyWww, pnlDateRange, bbtQuit},
                                true};
    const ModeLayout downloadMode{&TfrmFtpTransfer::DownloadConnectClick,
                                  {bbtDownLoad, cbxOverwrite, cbxCopyWww, pnlDateRange, bbtExit},
                                  {bbtUpLoad, bbtQuit},
                                  true};
    const ModeLayout identifyMode{&TfrmFtpTransfer::bbtConnectClick, {bbtQuit}, {bbtExit}, false};
    if (LogDownloadMode)
        ApplyMode(logMode);
    else if (SysUpdateMode)
        ApplyMode(uploadMode);
    else if (DownloadMode)
        ApplyMode(downloadMode);
    else
        ApplyMode(identifyMode);
}

void TfrmFtpTransfer::ApplyMode(const ModeLayout& mode)
{
    m_connectHandler = mode.connect;
    for (QWidget* w : mode.shown)
        w->show();
    for (QWidget* w : mode.hidden)
        w->hide();
    pnlTransfer->setVisible(mode.transferPart);
    adjustSize();
}

void TfrmFtpTransfer::FormClose()
{
    SysUpdateMode = false;
    DownloadMode = false;
    LogDownloadMode = false;
}

void TfrmFtpTransfer::done(int)
{
    platform::Guarded([this] { FormClose(); });
    QDialog::done(TransferResult);
}

bool TfrmFtpTransfer::eventFilter(QObject* watched, QEvent* event)
{
    const bool isPicker = watched == dtpStart || watched == dtpEnd;
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Keys of the window still work; typing into the lists and pickers does not. A held
        // Enter presses a button once.
        if (platform::IsWindowKey(key))
            return false;
        if (key->isAutoRepeat() && qobject_cast<QPushButton*>(watched))
            return true;
        if (watched == lbxFtp || isPicker)
            return true;
        if (watched == lbxDir) {
            if (key->matches(QKeySequence::SelectAll) && int(lbxDir->selectedItems().size()) < lbxDir->count())
                lbxDir->selectAll();
            return true;
        }
    }
    if (isPicker && event->type() == QEvent::Wheel)
        return true;
    if (event->type() == QEvent::FocusOut) {
        for (QLineEdit* ed : {edAddr1, edAddr2, edAddr3, edAddr4})
            if (watched == ed)
                edAddrExit(ed);
    }
    return QDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Address fields

QString TfrmFtpTransfer::SetIpAddressEdits(const QString& address)
{
    // A dotted address goes into the edits in its canonical form; any other text (a host
    // name, an IPv6 literal) stays stored as it is until the operator types an address.
    uint32_t a = 0;
    const bool dotted = platform::ParseDottedIPv4(address, &a);
    int shift = 24;
    for (QLineEdit* ed : {edAddr1, edAddr2, edAddr3, edAddr4}) {
        ed->setText(dotted ? QString::number((a >> shift) & 0xFF) : QString());
        shift -= 8;
    }
    return dotted ? OctetAddress() : address;
}

QString TfrmFtpTransfer::TypedAddress()
{
    const QString typed = OctetAddress();
    const QString address = platform::CanonicalIPv4(typed);
    if (address.isEmpty()) {
        const QString shown = typed == QStringLiteral("...") ? CurrentStation.IPAddress : typed;
        platform::MessageDlg(NotIPv4Text(shown), platform::MsgDlgType::Error, platform::mbOK);
        return address;
    }
    // Said before any connect: a connect there fails in ways that name no cause.
    if (!IsDeviceAddress(address)) {
        lblLoadFile->setText(NotDeviceText(address));
        platform::MessageDlg(NotDeviceText(address), platform::MsgDlgType::Error, platform::mbOK);
        return QString();
    }
    SetIpAddressEdits(address);
    return address;
}

QString TfrmFtpTransfer::OctetAddress() const
{
    return edAddr1->text() + u'.' + edAddr2->text() + u'.' + edAddr3->text() + u'.' + edAddr4->text();
}

bool TfrmFtpTransfer::edAddrExit(QLineEdit* ed)
{
    // The focus goes where the operator puts it; Connect says what is missing.
    return IsByteString(ed->text());
}

void TfrmFtpTransfer::ShowAddressLine()
{
    if (!bbtConnect->isEnabled())
        return;  // connected: the line tells of the transfer
    const QString typed = OctetAddress();
    const QString canonical = platform::CanonicalIPv4(typed);
    QString line;
    if (typed == QStringLiteral("...")) {
        // Nothing typed: a stored address that is no dotted one (a host name) is said.
        if (!CurrentStation.IPAddress.isEmpty() && !platform::ParseDottedIPv4(CurrentStation.IPAddress))
            line = NotIPv4Text(CurrentStation.IPAddress);
    } else if (canonical.isEmpty()) {
        bool outOfRange = false;
        for (const QLineEdit* ed : {edAddr1, edAddr2, edAddr3, edAddr4})
            outOfRange |= !ed->text().isEmpty() && !IsByteString(ed->text());
        if (outOfRange)
            line = NotIPv4Text(typed);
    } else if (!IsDeviceAddress(canonical)) {
        line = NotDeviceText(canonical);
    }
    lblLoadFile->setText(line);
}

// ---------------------------------------------------------------------------------------
// Date range, log list, search

TDateTime TfrmFtpTransfer::StartDateTime() const
{
    return FromQDateTime(dtpStart->dateTime());
}

TDateTime TfrmFtpTransfer::EndDateTime() const
{
    return FromQDateTime(dtpEnd->dateTime());
}

void TfrmFtpTransfer::SetStartDateTime(TDateTime value)
{
    dtpStart->setDateTime(ToQDateTime(value));
}

void TfrmFtpTransfer::SetEndDateTime(TDateTime value)
{
    dtpEnd->setDateTime(ToQDateTime(value));
}

void TfrmFtpTransfer::dtpCloseUp()
{
    m_settingDates = true;
    const TDateTime today = DateOf(Now());
    if (DateOf(EndDateTime()) != today)
        SetEndDateTime(DateOf(EndDateTime()) + EncodeTime(23, 59, 0, 0));
    m_settingDates = false;
    lblLastBackup->setVisible(DateOf(StartDateTime()) == DateOf(CurrentStation.LastUpdate));
    lblToday->setVisible(DateOf(EndDateTime()) == today);
    dtpStart->setEnabled(false);
    dtpEnd->setEnabled(false);
    ScanRemoteFiles();
    dtpStart->setEnabled(true);
    dtpEnd->setEnabled(true);
}

void TfrmFtpTransfer::cbxCopyWwwClick()
{
    ScanRemoteFiles();
}

void TfrmFtpTransfer::LogFtpLine(const QString& line)
{
    // Only the service mode shows the log. A line in the hidden list is never seen, and each
    // costs a download some of its time per file, more with a screen reader listening.
    if (!isVisible() || lbxFtp->isHidden())
        return;
    lbxFtp->addItem(line);
    if (lbxFtp->isVisible())
        lbxFtp->scrollToBottom();
}

void TfrmFtpTransfer::SetFtpProgressLine(const QString& line)
{
    if (!isVisible() || lbxFtp->isHidden() || lbxFtp->count() == 0)
        return;
    lbxFtp->item(lbxFtp->count() - 1)->setText(line);
}

void TfrmFtpTransfer::ReportFrom(TDataModFtp& model)
{
    // The module may outlive this window.
    const QPointer<TfrmFtpTransfer> w(this);
    model.OnLogLine = [w](const QString& line) {
        if (w)
            w->LogFtpLine(line);
    };
    model.OnProgressLine = [w](const QString& line) {
        if (w)
            w->SetFtpProgressLine(line);
    };
    model.ShowsFailures = [w] { return w && w->isVisible(); };
}

void TfrmFtpTransfer::bbtSearchClick()
{
    if (!frmConnect || frmConnect->exec() != 1)
        return;
    edStatName->setText(CurrentStation.StationName);
    SetIpAddressEdits(CurrentStation.IPAddress);
}

void TfrmFtpTransfer::bbtQuitClick()
{
    if (DataModFtp)
        DataModFtp->FtpLogout(false);
    close();
}

void TfrmFtpTransfer::bbtAbortClick()
{
    if (!DataModFtp)
        return;
    DataModFtp->FtpAbort();
    DataModFtp->FtpLogout(false);
}
