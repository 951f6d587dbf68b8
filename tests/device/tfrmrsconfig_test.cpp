#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

#include "app/mainformhvtk.h"
#include "app/setlanguage.h"
#include "common/pump.h"
#include "device/rsconfigfixture.h"
#include "device/tfrmrsconfig.h"
#include "platform/gui/tradiogroup.h"

using platform::DialogScript;
using namespace rsconfig;

namespace {

class RsConfigWindow : public RsConfigFixture {
protected:
    void SetUp() override
    {
        RsConfigFixture::SetUp();
        openWindow();
        ApplyTextsRSConfig(1);
    }

    void showActive()
    {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(pumpUntil([&] { return w->isActiveWindow(); }, 3000));
    }

    void focus(QWidget* e)
    {
        e->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(pumpUntil([&] { return e->hasFocus(); }, 3000));
    }

    // Moves the focus and lets a check on leaving the edit run.
    void leaveTo(QWidget* e)
    {
        e->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    static void typeChar(QWidget* target, QChar c)
    {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
    }

    static void apply(TfrmRSConfig& w, const char* key, const QString& value)
    {
        const KeyEntry* k = FindKey(key);
        ASSERT_NE(k, nullptr) << key;
        w.ApplyValue(*k, value);
    }

    static QString value(const TfrmRSConfig& w, const char* key)
    {
        const KeyEntry* k = FindKey(key);
        return k ? w.ControlValue(*k) : QString("<no key>");
    }

};

}  // namespace

TEST_F(RsConfigWindow, StartsEmptyOnThePortPageWithTheAnalogPanel)
{
    for (QLineEdit* e : w->findChildren<QLineEdit*>(QRegularExpression("^ed")))
        EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
    EXPECT_TRUE(w->pnlISDN->isHidden());
    EXPECT_FALSE(w->pnlAnalog->isHidden());
    EXPECT_TRUE(w->lblModemNotInstalled->isHidden());
    EXPECT_TRUE(w->TimeTimer->isActive());
    EXPECT_EQ(w->TimeTimer->interval(), 1000);

    w->show();
    EXPECT_TRUE(w->PageControl->isHidden());
    EXPECT_FALSE(w->pnlCOM->isHidden());
    EXPECT_EQ(w->bbtContinue->text(), "Continue");
    EXPECT_EQ(w->lblStatus->text(), "Offline");
    EXPECT_EQ(w->lblInfo->text(), "Select RS232-Port number:");
    EXPECT_TRUE(w->lblAction->text().isEmpty());
    EXPECT_EQ(w->ProgressBar->value(), 0);
    EXPECT_FALSE(w->Modified);
}

TEST_F(RsConfigWindow, ServiceOnlyControlsFollowTheServiceMode)
{
    const int service = w->PageControl->indexOf(w->tabService);
    w->show();
    EXPECT_FALSE(w->PageControl->isTabVisible(service));
    EXPECT_TRUE(w->gbxTimeServer->isHidden());
    EXPECT_TRUE(w->gbxSWChecksum->isHidden());
    EXPECT_EQ(w->ProgressBar->maximum(), 26);
    w->hide();

    ServiceMode = true;
    w->show();
    EXPECT_TRUE(w->PageControl->isTabVisible(service));
    EXPECT_FALSE(w->gbxTimeServer->isHidden());
    EXPECT_FALSE(w->gbxSWChecksum->isHidden());
    EXPECT_EQ(w->ProgressBar->maximum(), 37);
}

TEST_F(RsConfigWindow, EnableRulesFollowTheOperatorsChoice)
{
    w->show();
    w->cbxDHCP->setCurrentIndex(1);
    Q_EMIT w->cbxDHCP->activated(1);
    EXPECT_TRUE(w->Modified);
    for (QWidget* c : std::initializer_list<QWidget*>{w->edIPAddress, w->edSubnet, w->edGateway,
                                                      w->edDNS1, w->edDNS2, w->lblIPAddress,
                                                      w->lblDNS2})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    w->cbxDHCP->setCurrentIndex(0);
    Q_EMIT w->cbxDHCP->activated(0);
    EXPECT_TRUE(w->edIPAddress->isEnabled());

    w->cbxModem->setCurrentIndex(0);
    Q_EMIT w->cbxModem->activated(0);
    for (QWidget* c : std::initializer_list<QWidget*>{w->cbxProtokoll, w->edEigNr, w->cbxWahl,
                                                      w->edAmt, w->edTelProv, w->edUserProv,
                                                      w->edPassProv, w->lblPassProv})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_TRUE(w->cbxModem->isEnabled());
    w->cbxModem->setCurrentIndex(1);
    Q_EMIT w->cbxModem->activated(1);
    EXPECT_TRUE(w->edTelProv->isEnabled());

    w->cbxWahlArt->setCurrentIndex(0);  // every hour: no fixed times
    Q_EMIT w->cbxWahlArt->activated(0);
    EXPECT_FALSE(w->edWahlZt1->isEnabled());
    EXPECT_FALSE(w->lblWahlZt3->isEnabled());
    w->cbxWahlArt->setCurrentIndex(1);
    Q_EMIT w->cbxWahlArt->activated(1);
    EXPECT_TRUE(w->edWahlZt3->isEnabled());

    w->cbxUpdtDo->setCurrentIndex(1);  // manual update
    Q_EMIT w->cbxUpdtDo->activated(1);
    EXPECT_FALSE(w->edUpdtHost->isEnabled());
    EXPECT_FALSE(w->edUpdtDir->isEnabled());
    EXPECT_TRUE(w->cbxUpdtDo->isEnabled());
    w->cbxUpdtDo->setCurrentIndex(0);
    Q_EMIT w->cbxUpdtDo->activated(0);
    EXPECT_TRUE(w->edUpdtPassw->isEnabled());
}

TEST_F(RsConfigWindow, ModifiedMarksOnlyTheEditsThatAreWritten)
{
    w->show();
    ASSERT_FALSE(w->Modified);
    // Not marked: the own number, the hidden zone fields, the protocol and the back-light.
    w->edEigNr->setText("123");
    w->edTimezone->setText("3600");
    w->edDaylight->setText("1");
    w->edTimezoneStr->setText("x");
    w->edSerial->setText("QW1");
    Q_EMIT w->cbxProtokoll->activated(1);
    w->chbLight->setChecked(true);
    EXPECT_FALSE(w->Modified);

    for (QLineEdit* e : {w->edStationsnr, w->edAmt, w->edWahlZt2, w->edPassw0, w->edTimeServ1,
                         w->edUpdtDir}) {
        w->Modified = false;
        e->setText(e->text() + "1");
        EXPECT_TRUE(w->Modified) << e->objectName().toStdString();
    }
    w->Modified = false;
    Q_EMIT w->cbxWahl->activated(1);
    EXPECT_TRUE(w->Modified);
    w->Modified = false;
    w->rgpLanguage->SetItemIndex(1);
    EXPECT_TRUE(w->Modified);
}

TEST_F(RsConfigWindow, LeavingWithUnsavedChangesAsks)
{
    w->show();
    w->edServer->setText("ftp.other.org");
    ASSERT_TRUE(w->Modified);

    DialogScript::answer(platform::mrNo);
    w->bbtExit->click();
    ASSERT_EQ(DialogScript::shown().size(), 1u);
    EXPECT_EQ(DialogScript::shown()[0].text, "Changes are not saved, still terminate?");
    EXPECT_EQ(DialogScript::shown()[0].type, platform::MsgDlgType::Warning);
    EXPECT_EQ(DialogScript::shown()[0].buttons, unsigned(platform::mbYes | platform::mbNo));
    EXPECT_TRUE(w->isVisible());

    // Escape asks as the exit button does.
    DialogScript::answer(platform::mrNo);
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &esc);
    EXPECT_EQ(DialogScript::shown().size(), 2u);
    EXPECT_TRUE(w->isVisible());

    DialogScript::answer(platform::mrYes);
    w->bbtExit->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(w->result(), 2);
    EXPECT_FALSE(w->TimeTimer->isActive());

    // Unchanged: closes at once.
    DialogScript::clearShown();
    w->show();
    EXPECT_FALSE(w->Modified);
    w->bbtExit->click();
    EXPECT_FALSE(w->isVisible());
    EXPECT_TRUE(DialogScript::shown().empty());
}

TEST_F(RsConfigWindow, InvalidAddressOrTimeIsRefusedAndTheEditFocusedAgain)
{
    showActive();
    w->PageControl->show();
    w->PageControl->setCurrentWidget(w->tabInternet);
    focus(w->edIPAddress);
    w->edIPAddress->setText("10.0.0.256");
    leaveTo(w->edSubnet);
    ASSERT_EQ(DialogScript::shown().size(), 1u);
    EXPECT_EQ(DialogScript::shown()[0].text, "Invalid IP-Address: 10.0.0.256");
    EXPECT_EQ(DialogScript::shown()[0].type, platform::MsgDlgType::Error);
    EXPECT_EQ(DialogScript::shown()[0].buttons, unsigned(platform::mbOK));
    EXPECT_TRUE(pumpUntil([&] { return w->edIPAddress->hasFocus(); }, 3000));
    EXPECT_EQ(w->edIPAddress->selectedText(), "10.0.0.256");

    // A valid and an empty text pass.
    w->edIPAddress->setText("10.0.0.255");
    focus(w->edSubnet);
    w->edSubnet->clear();
    focus(w->edGateway);
    w->edGateway->setText("192.168.1");
    leaveTo(w->edDNS1);
    ASSERT_EQ(DialogScript::shown().size(), 2u);
    EXPECT_EQ(DialogScript::shown()[1].text, "Invalid IP-Address: 192.168.1");
    EXPECT_TRUE(pumpUntil([&] { return w->edGateway->hasFocus(); }, 3000));
    // Still wrong when the page changes: refused again, back on its page.
    w->PageControl->setCurrentWidget(w->tabTransfer);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    ASSERT_EQ(DialogScript::shown().size(), 3u);
    EXPECT_EQ(w->PageControl->currentWidget(), w->tabInternet);
    EXPECT_TRUE(pumpUntil([&] { return w->edGateway->hasFocus(); }, 3000));
    w->edGateway->setText("192.168.1.1");
    DialogScript::clearShown();

    w->PageControl->setCurrentWidget(w->tabTransfer);
    focus(w->edWahlZt1);
    w->edWahlZt1->setText("24:01");
    leaveTo(w->edWahlZt2);
    ASSERT_EQ(DialogScript::shown().size(), 1u);
    EXPECT_EQ(DialogScript::shown()[0].text, "Invalid time format: 24:01");
    EXPECT_TRUE(pumpUntil([&] { return w->edWahlZt1->hasFocus(); }, 3000));
    w->edWahlZt1->setText("24:00");
    focus(w->edWahlZt2);
    // The other dial times are not checked.
    w->edWahlZt2->setText("99:99");
    focus(w->edWahlZt3);
    EXPECT_EQ(DialogScript::shown().size(), 1u);
}

TEST_F(RsConfigWindow, KeyFiltersDropRefusedCharacters)
{
    w->show();
    for (QChar c : {QChar('1'), QChar('a'), QChar('2'), QChar('.'), QChar('3'), QChar('4')})
        typeChar(w->edStationsnr, c);
    EXPECT_EQ(w->edStationsnr->text(), "123");  // digits only, at most three
    for (QChar c : {QChar('1'), QChar('0'), QChar('.'), QChar(':'), QChar('x'), QChar('5')})
        typeChar(w->edIPAddress, c);
    EXPECT_EQ(w->edIPAddress->text(), "10.5");
    for (QChar c : {QChar('0'), QChar('7'), QChar('.'), QChar(':'), QChar('3'), QChar('0')})
        typeChar(w->edWahlZt1, c);
    EXPECT_EQ(w->edWahlZt1->text(), "07:30");
    for (QChar c : {QChar('x'), QChar(':'), QChar('1')})
        typeChar(w->edWahlZt2, c);
    EXPECT_EQ(w->edWahlZt2->text(), "x:1");  // no filter there
    for (QChar c : {QChar('1'), QChar('2'), QChar('3'), QChar('4'), QChar('5'), QChar('6')})
        typeChar(w->edChecksum, c);
    EXPECT_EQ(w->edChecksum->text(), "12345");
}

TEST_F(RsConfigWindow, ContrastEditAndBarFollowEachOther)
{
    w->show();
    w->edContrast->setText("250");
    EXPECT_EQ(w->edContrast->text(), "199");
    EXPECT_EQ(w->tbContrast->value(), 199);
    EXPECT_TRUE(w->Modified);
    w->edContrast->setText("");
    EXPECT_EQ(w->edContrast->text(), "1");
    EXPECT_EQ(w->tbContrast->value(), 1);
    w->edContrast->setText("77");
    EXPECT_EQ(w->tbContrast->value(), 77);
    w->tbContrast->setValue(120);
    EXPECT_EQ(w->edContrast->text(), "120");
    EXPECT_EQ(w->tbContrast->maximum(), 199);
    EXPECT_EQ(w->tbContrast->minimum(), 1);
    EXPECT_EQ(w->tbContrast->tickInterval(), 10);
}

TEST_F(RsConfigWindow, EveryKeyReachesItsControlAndComesBack)
{
    w->show();
    ServiceMode = true;
    int written = 0;
    for (const KeyEntry& k : KeyTable()) {
        QString v;
        switch (k.conversion) {
        case Conversion::Text: v = QString("v-") + k.readKey; break;
        case Conversion::Index: v = "1"; break;
        case Conversion::Protokoll: v = "2"; break;
        case Conversion::Contrast: v = "55"; break;
        case Conversion::Led: v = "1"; break;
        case Conversion::ModemType: v = "isdn"; break;
        case Conversion::ZoneOffset: v = "3600"; break;
        }
        w->ApplyValue(k, v);
        if (k.writeKey) {
            EXPECT_EQ(w->ControlValue(k), v) << k.readKey;
            ++written;
        }
    }
    EXPECT_EQ(written, 40);
    EXPECT_EQ(w->edPassword->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w->edUpdtPassw->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w->edSerial->text(), "v-info.serial");
    EXPECT_TRUE(w->edSerial->isReadOnly());
    EXPECT_EQ(w->edContrast->text(), "55");
    EXPECT_EQ(w->edDaylight->text(), "0");
    EXPECT_EQ(w->ReadPanel(), ModemPanel::Isdn);
    EXPECT_FALSE(w->pnlISDN->isHidden());
    EXPECT_TRUE(w->pnlAnalog->isHidden());
}

TEST_F(RsConfigWindow, ValuesThatAreNoNumbersTakeTheirDefaults)
{
    w->show();
    apply(*w, "ppp.protokoll", "x");
    EXPECT_EQ(w->cbxProtokoll->currentText(), "HDLC sync to async");
    EXPECT_EQ(value(*w, "ppp.protokoll"), "3");
    apply(*w, "display.contrast", "");
    EXPECT_EQ(w->tbContrast->value(), 40);
    EXPECT_EQ(w->edContrast->text(), "40");
    apply(*w, "ppp.use", "?");
    EXPECT_EQ(w->cbxModem->currentIndex(), 1);
    apply(*w, "ppp.Usetime", "");
    EXPECT_EQ(w->cbxWahlArt->currentIndex(), 1);
    apply(*w, "ip.dhcp", "on");
    EXPECT_EQ(w->cbxDHCP->currentIndex(), 0);
    apply(*w, "ip.dhcp", "7");  // no such item
    EXPECT_EQ(value(*w, "ip.dhcp"), "0");
    apply(*w, "display.language", "x");
    EXPECT_EQ(w->rgpLanguage->ItemIndex(), 0);
    apply(*w, "display.led", "2");
    EXPECT_FALSE(w->chbLight->isChecked());
    EXPECT_EQ(value(*w, "display.led"), "0");

    apply(*w, "ppp.modem", "Modem");
    EXPECT_TRUE(w->pnlISDN->isHidden());
    EXPECT_FALSE(w->pnlAnalog->isHidden());
    EXPECT_TRUE(w->lblModemNotInstalled->isHidden());
    EXPECT_FALSE(w->cbxModem->isHidden());
    apply(*w, "ppp.modem", "");
    EXPECT_EQ(w->ReadPanel(), ModemPanel::None);
    EXPECT_FALSE(w->lblModemNotInstalled->isHidden());
    EXPECT_TRUE(w->cbxModem->isHidden());
    EXPECT_FALSE(w->pnlAnalog->isHidden());
}

TEST_F(RsConfigWindow, ClockRunsUntilThePickerIsEdited)
{
    w->show();
    w->dtpDate->setDate(QDate(2001, 1, 1));
    EXPECT_FALSE(w->TimeTimer->isActive());
    w->TimeTimerTimer();
    EXPECT_EQ(w->dtpDate->date(), QDate::currentDate());
    EXPECT_FALSE(w->TimeTimer->isActive());  // the clock's own setting does not stop it
    w->hide();
    w->show();
    EXPECT_TRUE(w->TimeTimer->isActive());
    w->TimeTimerTimer();
    EXPECT_TRUE(w->TimeTimer->isActive());
}

TEST_F(RsConfigWindow, TextsOfBothLanguages)
{
    EXPECT_EQ(w->windowTitle(), "Instrument configuration");
    EXPECT_EQ(w->PageControl->tabText(w->PageControl->indexOf(w->tabWeb)), "Security");
    EXPECT_EQ(w->cbxProtokoll->count(), 3);
    EXPECT_EQ(w->rgpLanguage->Item(1), "English");
    ApplyTextsRSConfig(0);
    EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Gerätekonfiguration"));
    EXPECT_EQ(w->PageControl->tabText(w->PageControl->indexOf(w->tabTransfer)),
              QString::fromUtf8("Übertragung"));
    EXPECT_EQ(w->cbxWahlArt->itemText(0), QString::fromUtf8("stündlich"));
    EXPECT_EQ(w->gbxTimeServer->title(), "Zeitserver ");
    EXPECT_EQ(w->rgpLanguage->Item(1), "Englisch");
}
