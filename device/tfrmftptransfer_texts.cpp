// Texts of the FTP transfer window, both languages.
#include <QCheckBox>
#include <QLabel>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>

#include "device/tfrmftptransfer.h"

void ApplyTextsFtpTransfer(int lang)
{
    if (!frmFtpTransfer)
        return;
    TfrmFtpTransfer& w = *frmFtpTransfer;
    const bool de = lang == 0;
    auto t = [de](const char* german, const char* english) { return QString::fromUtf8(de ? german : english); };

    w.setWindowTitle(t("Geräteverbindung über FTP", "Device connection via FTP"));
    w.lblStatName->setText(t("Station:", "Station:"));
    w.lblIPAddr->setText(t("IP-Adresse:", "IP Address:"));
    w.bbtSearch->setText(t("Geräte suchen", "Search Device"));
    w.lblUser->setText(t("Benutzername:", "User name:"));
    w.lblPassw->setText(t("Passwort:", "Password:"));
    w.bbtConnect->setText(t("Verbinden", "Connect"));
    w.bbtAbort->setText(t("Abbrechen", "Abort"));
    w.bbtQuit->setText(t("Beenden", "Quit"));
    w.bbtExit->setText(t("Ende", "Exit"));
    w.bbtDownLoad->setText(t("Speichern", "Save"));
    w.bbtUpLoad->setText(t("Laden", "Load"));
    w.lblLoading->setText(t("Zu ladende Dateien:", "Files to be downloaded:"));
    w.lblDateRange->setText(t("Zeitbereich angeben:", "Enter date range:"));
    w.lblFrom->setText(t("von:", "from:"));
    w.lblTo->setText(t("bis:", "to:"));
    w.lblLastBackup->setText(t("(Letzte Datensicherung)", "(Last Backup)"));
    w.lblToday->setText(t("(Heute)", "(Today)"));
    w.cbxOverwrite->setText(t("Bestehende Dateien überschreiben.", "Overwrite existing files."));
    w.cbxCopyWww->setText(t("Mittelwertdateien (*.www) mit kopieren.", "Copying with mean value files (*.www)."));
    // Edits and pickers are named by the label beside them.
    w.edStatName->setAccessibleName(w.lblStatName->text());
    w.edUser->setAccessibleName(w.lblUser->text());
    w.edPassw->setAccessibleName(w.lblPassw->text());
    w.dtpStart->setAccessibleName(w.lblFrom->text());
    w.dtpEnd->setAccessibleName(w.lblTo->text());
    for (QLineEdit* ed : {w.edAddr1, w.edAddr2, w.edAddr3, w.edAddr4})
        ed->setAccessibleName(w.lblIPAddr->text() + u' ' + ed->objectName().right(1));
}
