// Texts of the device configuration window, both languages.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "device/tfrmrsconfig.h"
#include "platform/gui/tradiogroup.h"

namespace {

// New captions keep the item shown, or none when the value is not known.
void setItems(QComboBox* c, const QStringList& items)
{
    const int index = c->currentIndex();
    c->clear();
    c->addItems(items);
    c->setCurrentIndex(index);
}

}  // namespace

void ApplyTextsRSConfig(int lang)
{
    if (!frmRSConfig)
        return;
    TfrmRSConfig& w = *frmRSConfig;
    const bool de = lang == 0;
    auto t = [de](const char* german, const char* english) {
        return QString::fromUtf8(de ? german : english);
    };
    auto tab = [&w](QWidget* page, const QString& text) {
        w.PageControl->setTabText(w.PageControl->indexOf(page), text);
    };

    w.setWindowTitle(t("Gerätekonfiguration", "Instrument configuration"));
    w.bbtExit->setText(t("Abbruch", "Abort"));
    w.lblPort->setText(t("Port:", "Port:"));
    tab(w.tabStation, t("Station", "Station"));
    w.lblRegionsnr->setText(t("Regionsnummer:", "Region number:"));
    w.lblStationsnr->setText(t("Stationsnummer:", "Station number:"));
    w.lblChecksum->setText(t("Prüfsumme:", "Checksum:"));
    w.lblServer->setText(t("FTP-Server:", "FTP Server:"));
    w.lblPath->setText(t("Pfad:", "Path:"));
    w.lblUser->setText(t("Benutzername:", "User name:"));
    w.lblPassword->setText(t("Passwort:", "Password:"));
    tab(w.tabInternet, t("Internet", "Internet"));
    w.lblDHCP->setText(t("DHCP:", "DHCP:"));
    setItems(w.cbxDHCP, {t("Aus", "Off"), t("An", "On")});
    w.lblIPAddress->setText(t("IP-Adresse:", "IP Address:"));
    w.lblSubnet->setText(t("Subnetz-Maske:", "Subnet Mask:"));
    w.lblGateway->setText(t("Gateway:", "Gateway:"));
    w.lblDNS1->setText(t("DNS-Server 1:", "DNS Server 1:"));
    w.lblDNS2->setText(t("DNS-Server 2:", "DNS Server 2:"));
    w.lblModem->setText(t("Modem:", "Modem:"));
    w.lblModemNotInstalled->setText(t("nicht installiert", "not installed"));
    w.lblISDNModem->setText(t("ISDN Modem:", "ISDN Modem:"));
    w.lblWahl->setText(t("Wählverfahren:", "Dial method:"));
    w.lblAmt->setText(t("Amtskennziffer:", "Dialing prefix:"));
    w.lblProtokoll->setText(t("Protokoll:", "Protocoll:"));
    w.lblEigNr->setText(t("Eigene Nummer:", "Your Number:"));
    w.lblTelProv->setText(t("Telefonnr. des Providers:", "Phonenumber Provider:"));
    w.lblUserProv->setText(t("Benutzername:", "User name:"));
    w.lblPassProv->setText(t("Passwort:", "Password:"));
    setItems(w.cbxWahl, {t("Ton", "Tone"), t("Pulse", "Pulse")});
    setItems(w.cbxWahlArt, {t("stündlich", "every hour"), t("festgelegt", "fix")});
    setItems(w.cbxProtokoll, {"X.75", "HDLC transparent", "HDLC sync to async"});
    tab(w.tabTransfer, t("Übertragung", "Data transfer"));
    w.lblWahlArt->setText(t("Einwahlzeiten:", "Dial time:"));
    w.lblWahlZt1->setText(t("Uhrzeit 1:", "Time 1:"));
    w.lblWahlZt2->setText(t("Uhrzeit 2:", "Time 2:"));
    w.lblWahlZt3->setText(t("Uhrzeit 3:", "Time 3:"));
    setItems(w.cbxModem, {t("Deaktiv", "Inactive"), t("Aktiv", "Active")});
    w.bbtTest->setText(t("Internetverbindung testen", "Test internet connection"));
    w.memoTest->setPlainText(
        t("Der Vorgang des Verbindungsaufbaus kann nur am Gerät selbst verfolgt werden.",
          "The connection process can only be checked on the display of the device."));
    tab(w.tabTime, t("Datum/Uhrzeit", "Date/Time"));
    w.gbxTimeServer->setTitle(t("Zeitserver ", "Time server "));
    w.gbxSetTime->setTitle(t("Datum/Uhrzeit ", "Date/Time "));
    w.bbtSetTime->setText(t("Datum/Uhrzeit aktualisieren", "Set Date/Time"));
    w.lblTimeServ1->setText(t("Zeitserver 1", "Time server 1"));
    w.lblTimeServ2->setText(t("Zeitserver 2", "Time server 2"));
    w.lblTimezone->setText(t("Zeitzone:", "Time zone:"));
    w.bbtSelTimezone->setText(t("Auswählen", "Select"));
    w.lblInfoTime->setText(
        t("Nur für Geräte ohne Internetzugang!", "Only for devices without internet connection!"));
    w.memoTime->setPlainText(
        t("Das Display des Lärmwarts zeigt nach drücken des Buttons sofort die neue Zeit an.",
          "The display of the device shows new time set immeadiately."));
    tab(w.tabWeb, t("Sicherheit", "Security"));
    w.gbxFtp->setTitle(t("FTP-Zugang:", "FTP access:"));
    w.lblUser0->setText(t("Benutzername:", "User name:"));
    w.lblPassw0->setText(t("Passwort:", "Password:"));
    w.gbxWeb->setTitle(t("Web-Zugriff", "Web access"));
    w.lblWebUser->setText(t("Benutzername:", "User name:"));
    w.lblWebPassw->setText(t("Passwort:", "Password:"));
    tab(w.tabService, t("Service", "Service"));
    setItems(w.cbxUpdtDo, {t("automatisch", "automated"), t("manuell", "manual")});
    w.lblUpdtDo->setText(t("Softwareupdate:", "Softwareupdate:"));
    w.lblUpdtHost->setText(t("Host:", "Host:"));
    w.lblUpdtUser->setText(t("Benutzername:", "User:"));
    w.lblUpdtPassw->setText(t("Passwort:", "Password:"));
    w.lblUpdtDir->setText(t("Verzeichnis:", "Remote directory:"));
    tab(w.tabInfo, t("Info", "Info"));
    w.lblHWVersion->setText(t("Hardware-Version:", "Hardware Version:"));
    w.lblSWVersion->setText(t("Software-Version:", "Software Version:"));
    w.lblSerial->setText(t("Seriennummer:", "Serial number:"));
    w.gbxSWChecksum->setTitle(t("Software-Prüfsumme:", "Software Checksum:"));
    tab(w.tabDisplay, t("Display", "Display"));
    w.chbLight->setText(t("Hintergrundbeleuchtung an", "Background lighting on"));
    w.lblContrast->setText(t("Kontrast:", "Contrast:"));
    w.lblLight->setText(t("Hell", "Light"));
    w.lblDim->setText(t("Dunkel", "Dim"));
    w.rgpLanguage->setTitle(t("Sprache:", "Language:"));
    if (w.rgpLanguage->Count() == 2) {
        w.rgpLanguage->SetItem(0, t("Deutsch", "German"));
        w.rgpLanguage->SetItem(1, t("Englisch", "English"));
    } else {
        w.rgpLanguage->SetItems({t("Deutsch", "German"), t("Englisch", "English")});
    }
    w.ShowUnreadKeys();
}
