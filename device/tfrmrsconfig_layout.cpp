// The components of the configuration window and their arrangement. Texts come from
// SetLanguage; the names are those the key table and the texts refer to.
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpacerItem>
#include <QTabWidget>
#include <QTimeEdit>
#include <QVBoxLayout>

#include "device/tfrmrsconfig.h"
#include "platform/core/named.h"
#include "platform/core/shortdate.h"
#include "platform/gui/steadywidgets.h"
#include "platform/gui/tradiogroup.h"

using platform::Named;

namespace {

QLabel* namedLabel(QWidget* parent, const char* name) { return Named(new QLabel(parent), name); }

QLineEdit* edit(QWidget* parent, const char* name, bool password = false)
{
    auto* e = Named(new QLineEdit(parent), name);
    if (password)
        e->setEchoMode(QLineEdit::Password);
    e->setMinimumWidth(180);
    return e;
}

// A typed or pasted text is held to max characters; a longer value set by code stays whole.
void limitTyping(QLineEdit* e, int max)
{
    e->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral(".{0,%1}").arg(max), QRegularExpression::DotMatchesEverythingOption), e));
}

QComboBox* combo(QWidget* parent, const char* name)
{
    auto* c = Named(new QComboBox(parent), name);
    platform::AdjustToContentsWhenPolished(c);
    return c;
}

QPlainTextEdit* memo(QWidget* parent, const char* name)
{
    auto* m = Named(new QPlainTextEdit(parent), name);
    m->setReadOnly(true);
    m->setFrameShape(QFrame::NoFrame);
    m->viewport()->setAutoFillBackground(false);
    m->setMaximumHeight(70);
    return m;
}

QFrame* panel(QWidget* parent, const char* name)
{
    auto* f = Named(new QFrame(parent), name);
    // Button-face colour, as the panels of the original layout.
    f->setBackgroundRole(QPalette::Button);
    f->setAutoFillBackground(true);
    return f;
}

// One "label: control" row of a grid.
void row(QGridLayout* g, QLabel* l, QWidget* w)
{
    const int r = g->rowCount();
    g->addWidget(l, r, 0);
    g->addWidget(w, r, 1);
}

// Label column of the pages; the modem panels use the same so their fields line up.
constexpr int LabelColumnWidth = 200;

QGridLayout* grid(QWidget* parent)
{
    auto* g = new QGridLayout(parent);
    g->setColumnStretch(2, 1);
    g->setColumnMinimumWidth(0, LabelColumnWidth);
    return g;
}

void finish(QGridLayout* g) { g->setRowStretch(g->rowCount(), 1); }

}  // namespace

void TfrmRSConfig::BuildComponents()
{
    setObjectName("frmRSConfig");
    auto* top = new QVBoxLayout(this);

    lblInfo = namedLabel(this, "lblInfo");
    QFont bold = lblInfo->font();
    bold.setBold(true);
    lblInfo->setFont(bold);
    top->addWidget(lblInfo);

    pnlCOM = Named(new QFrame(this), "pnlCOM");
    auto* com = new QHBoxLayout(pnlCOM);
    lblPort = namedLabel(pnlCOM, "lblPort");
    cbxPorts = combo(pnlCOM, "cbxPorts");
    cbxPorts->setMinimumWidth(120);
    com->addWidget(lblPort);
    com->addWidget(cbxPorts);
    com->addStretch(1);
    top->addWidget(pnlCOM, 0, Qt::AlignTop | Qt::AlignLeft);

    PageControl = Named(new QTabWidget(this), "PageControl");
    top->addWidget(PageControl, 1);
    BuildStationPage();
    BuildInternetPage();
    BuildTransferPage();
    BuildWebPage();
    BuildTimePage();
    BuildServicePage();
    BuildDisplayPage();
    BuildInfoPage();
    // Takes the room of the pages while the port page shows.
    top->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));

    auto* status = new QHBoxLayout;
    lblStatus = namedLabel(this, "lblStatus");
    lblAction = namedLabel(this, "lblAction");
    ProgressBar = Named(new QProgressBar(this), "ProgressBar");
    ProgressBar->setRange(0, 26);
    ProgressBar->setValue(0);
    ProgressBar->setTextVisible(false);
    status->addWidget(lblStatus, 2);
    status->addWidget(lblAction, 1);
    status->addWidget(ProgressBar, 2);
    top->addLayout(status);

    auto* buttons = new QHBoxLayout;
    bbtExit = Named(new QPushButton(this), "bbtExit");
    bbtContinue = Named(new QPushButton(this), "bbtContinue");
    bbtContinue->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(bbtExit);
    buttons->addWidget(bbtContinue);
    top->addLayout(buttons);

    resize(760, 560);
}

void TfrmRSConfig::BuildStationPage()
{
    tabStation = Named(new QWidget, "tabStation");
    auto* g = grid(tabStation);
    lblRegionsnr = namedLabel(tabStation, "lblRegionsnr");
    edRegionsnr = edit(tabStation, "edRegionsnr");
    limitTyping(edRegionsnr, 3);
    lblStationsnr = namedLabel(tabStation, "lblStationsnr");
    edStationsnr = edit(tabStation, "edStationsnr");
    limitTyping(edStationsnr, 3);
    lblChecksum = namedLabel(tabStation, "lblChecksum");
    edChecksum = edit(tabStation, "edChecksum");
    limitTyping(edChecksum, 5);
    lblServer = namedLabel(tabStation, "lblServer");
    edServer = edit(tabStation, "edServer");
    lblPath = namedLabel(tabStation, "lblPath");
    edPath = edit(tabStation, "edPath");
    lblUser = namedLabel(tabStation, "lblUser");
    edUser = edit(tabStation, "edUser");
    lblPassword = namedLabel(tabStation, "lblPassword");
    edPassword = edit(tabStation, "edPassword", true);
    row(g, lblRegionsnr, edRegionsnr);
    row(g, lblStationsnr, edStationsnr);
    row(g, lblChecksum, edChecksum);
    row(g, lblServer, edServer);
    row(g, lblPath, edPath);
    row(g, lblUser, edUser);
    row(g, lblPassword, edPassword);
    finish(g);
    PageControl->addTab(tabStation, QString());
}

void TfrmRSConfig::BuildInternetPage()
{
    tabInternet = Named(new QWidget, "tabInternet");
    auto* g = grid(tabInternet);
    lblDHCP = namedLabel(tabInternet, "lblDHCP");
    cbxDHCP = combo(tabInternet, "cbxDHCP");
    lblIPAddress = namedLabel(tabInternet, "lblIPAddress");
    edIPAddress = edit(tabInternet, "edIPAddress");
    lblSubnet = namedLabel(tabInternet, "lblSubnet");
    edSubnet = edit(tabInternet, "edSubnet");
    lblGateway = namedLabel(tabInternet, "lblGateway");
    edGateway = edit(tabInternet, "edGateway");
    lblDNS1 = namedLabel(tabInternet, "lblDNS1");
    edDNS1 = edit(tabInternet, "edDNS1");
    lblDNS2 = namedLabel(tabInternet, "lblDNS2");
    edDNS2 = edit(tabInternet, "edDNS2");
    row(g, lblDHCP, cbxDHCP);
    row(g, lblIPAddress, edIPAddress);
    row(g, lblSubnet, edSubnet);
    row(g, lblGateway, edGateway);
    row(g, lblDNS1, edDNS1);
    row(g, lblDNS2, edDNS2);

    lblModem = namedLabel(tabInternet, "lblModem");
    cbxModem = combo(tabInternet, "cbxModem");
    lblModemNotInstalled = namedLabel(tabInternet, "lblModemNotInstalled");
    auto* modem = new QHBoxLayout;
    modem->addWidget(cbxModem);
    modem->addWidget(lblModemNotInstalled);
    modem->addStretch(1);
    const int modemRow = g->rowCount();
    g->addWidget(lblModem, modemRow, 0);
    g->addLayout(modem, modemRow, 1, 1, 2);

    // The ISDN and the analog panel share one place; the modem type decides which shows.
    pnlISDN = panel(tabInternet, "pnlISDN");
    auto* isdn = new QGridLayout(pnlISDN);
    isdn->setContentsMargins(0, 2, 0, 2);
    isdn->setColumnMinimumWidth(0, LabelColumnWidth);
    lblISDNModem = namedLabel(pnlISDN, "lblISDNModem");
    lblProtokoll = namedLabel(pnlISDN, "lblProtokoll");
    cbxProtokoll = combo(pnlISDN, "cbxProtokoll");
    lblEigNr = namedLabel(pnlISDN, "lblEigNr");
    edEigNr = edit(pnlISDN, "edEigNr");
    isdn->addWidget(lblISDNModem, 0, 0, 1, 2);
    row(isdn, lblProtokoll, cbxProtokoll);
    row(isdn, lblEigNr, edEigNr);
    isdn->setColumnStretch(2, 1);

    pnlAnalog = panel(tabInternet, "pnlAnalog");
    auto* analog = new QGridLayout(pnlAnalog);
    analog->setContentsMargins(0, 2, 0, 2);
    analog->setColumnMinimumWidth(0, LabelColumnWidth);
    lblWahl = namedLabel(pnlAnalog, "lblWahl");
    cbxWahl = combo(pnlAnalog, "cbxWahl");
    lblAmt = namedLabel(pnlAnalog, "lblAmt");
    edAmt = edit(pnlAnalog, "edAmt");
    row(analog, lblWahl, cbxWahl);
    row(analog, lblAmt, edAmt);
    analog->setColumnStretch(2, 1);

    const int panelRow = g->rowCount();
    g->addWidget(pnlISDN, panelRow, 0, 1, 3);
    g->addWidget(pnlAnalog, panelRow + 1, 0, 1, 3);

    lblTelProv = namedLabel(tabInternet, "lblTelProv");
    edTelProv = edit(tabInternet, "edTelProv");
    lblUserProv = namedLabel(tabInternet, "lblUserProv");
    edUserProv = edit(tabInternet, "edUserProv");
    lblPassProv = namedLabel(tabInternet, "lblPassProv");
    edPassProv = edit(tabInternet, "edPassProv", true);
    row(g, lblTelProv, edTelProv);
    row(g, lblUserProv, edUserProv);
    row(g, lblPassProv, edPassProv);
    finish(g);
    PageControl->addTab(tabInternet, QString());
}

void TfrmRSConfig::BuildTransferPage()
{
    tabTransfer = Named(new QWidget, "tabTransfer");
    auto* g = grid(tabTransfer);
    lblWahlArt = namedLabel(tabTransfer, "lblWahlArt");
    cbxWahlArt = combo(tabTransfer, "cbxWahlArt");
    lblWahlZt1 = namedLabel(tabTransfer, "lblWahlZt1");
    edWahlZt1 = edit(tabTransfer, "edWahlZt1");
    lblWahlZt2 = namedLabel(tabTransfer, "lblWahlZt2");
    edWahlZt2 = edit(tabTransfer, "edWahlZt2");
    lblWahlZt3 = namedLabel(tabTransfer, "lblWahlZt3");
    edWahlZt3 = edit(tabTransfer, "edWahlZt3");
    row(g, lblWahlArt, cbxWahlArt);
    row(g, lblWahlZt1, edWahlZt1);
    row(g, lblWahlZt2, edWahlZt2);
    row(g, lblWahlZt3, edWahlZt3);
    bbtTest = Named(new QPushButton(tabTransfer), "bbtTest");
    memoTest = memo(tabTransfer, "memoTest");
    const int r = g->rowCount();
    g->setRowMinimumHeight(r, 16);
    g->addWidget(bbtTest, r + 1, 0, 1, 2, Qt::AlignLeft);
    g->addWidget(memoTest, r + 2, 0, 1, 3);
    finish(g);
    PageControl->addTab(tabTransfer, QString());
}

void TfrmRSConfig::BuildWebPage()
{
    tabWeb = Named(new QWidget, "tabWeb");
    auto* v = new QVBoxLayout(tabWeb);
    gbxFtp = Named(new QGroupBox(tabWeb), "gbxFtp");
    auto* ftp = grid(gbxFtp);
    lblUser0 = namedLabel(gbxFtp, "lblUser0");
    edUser0 = edit(gbxFtp, "edUser0");
    lblPassw0 = namedLabel(gbxFtp, "lblPassw0");
    edPassw0 = edit(gbxFtp, "edPassw0", true);
    row(ftp, lblUser0, edUser0);
    row(ftp, lblPassw0, edPassw0);
    gbxWeb = Named(new QGroupBox(tabWeb), "gbxWeb");
    auto* web = grid(gbxWeb);
    lblWebUser = namedLabel(gbxWeb, "lblWebUser");
    edWebUser = edit(gbxWeb, "edWebUser");
    lblWebPassw = namedLabel(gbxWeb, "lblWebPassw");
    edWebPassw = edit(gbxWeb, "edWebPassw", true);
    row(web, lblWebUser, edWebUser);
    row(web, lblWebPassw, edWebPassw);
    v->addWidget(gbxFtp);
    v->addWidget(gbxWeb);
    v->addStretch(1);
    PageControl->addTab(tabWeb, QString());
}

void TfrmRSConfig::BuildTimePage()
{
    tabTime = Named(new QWidget, "tabTime");
    auto* v = new QVBoxLayout(tabTime);

    gbxTimeServer = Named(new QGroupBox(tabTime), "gbxTimeServer");
    auto* servers = grid(gbxTimeServer);
    lblTimeServ1 = namedLabel(gbxTimeServer, "lblTimeServ1");
    edTimeServ1 = edit(gbxTimeServer, "edTimeServ1");
    lblTimeServ2 = namedLabel(gbxTimeServer, "lblTimeServ2");
    edTimeServ2 = edit(gbxTimeServer, "edTimeServ2");
    row(servers, lblTimeServ1, edTimeServ1);
    row(servers, lblTimeServ2, edTimeServ2);
    v->addWidget(gbxTimeServer);

    auto* zone = new QHBoxLayout;
    lblTimezone = namedLabel(tabTime, "lblTimezone");
    edTimezoneStr = edit(tabTime, "edTimezoneStr");
    edTimezoneStr->setReadOnly(true);
    edTimezoneStr->setMinimumWidth(420);
    edTimezone = edit(tabTime, "edTimezone");
    edTimezone->hide();
    edDaylight = edit(tabTime, "edDaylight");
    edDaylight->hide();
    bbtSelTimezone = Named(new QPushButton(tabTime), "bbtSelTimezone");
    zone->addWidget(lblTimezone);
    zone->addWidget(edTimezoneStr, 1);
    zone->addWidget(bbtSelTimezone);
    v->addLayout(zone);

    gbxSetTime = Named(new QGroupBox(tabTime), "gbxSetTime");
    auto* set = new QGridLayout(gbxSetTime);
    dtpDate = Named(new QDateEdit(gbxSetTime), "dtpDate");
    dtpDate->setCalendarPopup(true);
    dtpDate->setDisplayFormat(platform::ShortDateFormat());
    dtpTime = Named(new QTimeEdit(gbxSetTime), "dtpTime");
    dtpTime->setDisplayFormat("HH:mm:ss");
    bbtSetTime = Named(new QPushButton(gbxSetTime), "bbtSetTime");
    lblInfoTime = namedLabel(gbxSetTime, "lblInfoTime");
    memoTime = memo(gbxSetTime, "memoTime");
    set->addWidget(lblInfoTime, 0, 0, 1, 4);
    set->addWidget(dtpDate, 1, 0);
    set->addWidget(dtpTime, 1, 1);
    set->addWidget(bbtSetTime, 1, 2);
    set->setColumnStretch(3, 1);
    set->addWidget(memoTime, 2, 0, 1, 4);
    v->addWidget(gbxSetTime);
    v->addStretch(1);
    PageControl->addTab(tabTime, QString());
}

void TfrmRSConfig::BuildServicePage()
{
    tabService = Named(new QWidget, "tabService");
    auto* g = grid(tabService);
    lblUpdtDo = namedLabel(tabService, "lblUpdtDo");
    cbxUpdtDo = combo(tabService, "cbxUpdtDo");
    lblUpdtHost = namedLabel(tabService, "lblUpdtHost");
    edUpdtHost = edit(tabService, "edUpdtHost");
    lblUpdtUser = namedLabel(tabService, "lblUpdtUser");
    edUpdtUser = edit(tabService, "edUpdtUser");
    lblUpdtPassw = namedLabel(tabService, "lblUpdtPassw");
    edUpdtPassw = edit(tabService, "edUpdtPassw", true);
    lblUpdtDir = namedLabel(tabService, "lblUpdtDir");
    edUpdtDir = edit(tabService, "edUpdtDir");
    row(g, lblUpdtDo, cbxUpdtDo);
    row(g, lblUpdtHost, edUpdtHost);
    row(g, lblUpdtUser, edUpdtUser);
    row(g, lblUpdtPassw, edUpdtPassw);
    row(g, lblUpdtDir, edUpdtDir);
    finish(g);
    PageControl->addTab(tabService, QString());
}

void TfrmRSConfig::BuildDisplayPage()
{
    tabDisplay = Named(new QWidget, "tabDisplay");
    auto* v = new QVBoxLayout(tabDisplay);
    chbLight = Named(new QCheckBox(tabDisplay), "chbLight");
    v->addWidget(chbLight);
    v->addSpacing(8);

    lblContrast = namedLabel(tabDisplay, "lblContrast");
    v->addWidget(lblContrast);
    auto* bar = new QHBoxLayout;
    lblLight = namedLabel(tabDisplay, "lblLight");
    tbContrast = Named(new QSlider(Qt::Horizontal, tabDisplay), "tbContrast");
    tbContrast->setRange(1, 199);
    tbContrast->setTickInterval(10);
    tbContrast->setTickPosition(QSlider::TicksBelow);
    tbContrast->setMinimumWidth(240);
    lblDim = namedLabel(tabDisplay, "lblDim");
    edContrast = edit(tabDisplay, "edContrast");
    edContrast->setMinimumWidth(50);
    edContrast->setMaximumWidth(60);
    bar->addWidget(lblLight);
    bar->addWidget(tbContrast, 1);
    bar->addWidget(lblDim);
    bar->addSpacing(12);
    bar->addWidget(edContrast);
    v->addLayout(bar);
    v->addSpacing(8);

    rgpLanguage = Named(new TRadioGroup(tabDisplay), "rgpLanguage");
    v->addWidget(rgpLanguage, 0, Qt::AlignLeft);
    v->addStretch(1);
    PageControl->addTab(tabDisplay, QString());
}

void TfrmRSConfig::BuildInfoPage()
{
    tabInfo = Named(new QWidget, "tabInfo");
    auto* v = new QVBoxLayout(tabInfo);
    auto* g = new QGridLayout;
    g->setColumnStretch(2, 1);
    lblHWVersion = namedLabel(tabInfo, "lblHWVersion");
    edHWVersion = edit(tabInfo, "edHWVersion");
    lblSWVersion = namedLabel(tabInfo, "lblSWVersion");
    edSWVersion = edit(tabInfo, "edSWVersion");
    lblSerial = namedLabel(tabInfo, "lblSerial");
    edSerial = edit(tabInfo, "edSerial");
    for (QLineEdit* e : {edHWVersion, edSWVersion, edSerial})
        e->setReadOnly(true);
    row(g, lblHWVersion, edHWVersion);
    row(g, lblSWVersion, edSWVersion);
    row(g, lblSerial, edSerial);
    v->addLayout(g);
    gbxSWChecksum = Named(new QGroupBox(tabInfo), "gbxSWChecksum");
    auto* crc = new QHBoxLayout(gbxSWChecksum);
    edSWChecksum = edit(gbxSWChecksum, "edSWChecksum");
    edSWChecksum->setReadOnly(true);
    crc->addWidget(edSWChecksum);
    crc->addStretch(1);
    v->addWidget(gbxSWChecksum);
    v->addStretch(1);
    PageControl->addTab(tabInfo, QString());
}
