#pragma once
#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QPushButton;

// Choice of a station's time zone from a fixed list, with the European summer-time flag.
// Callers set ZoneBias and Daylight, show the window modally and read both back on OK.
class TfrmTimezone : public QDialog {
    Q_OBJECT
public:
    explicit TfrmTimezone(QWidget* owner = nullptr);

    // The entries of cobZones, in order; characters 5 to 10 hold the offset.
    static const QStringList& ZoneEntries();

    // Selects the entry of ZoneBias (the selection stays when none matches) and sets the box.
    void SelectZone();
    // Entry text of a bias; sets ZoneBias and the selection on the way. "" when nothing is
    // selected.
    QString ZoneText(int32_t bias);

    void FormShow();
    void bbtOkClick();
    void bbtDefaultClick();

    QComboBox* cobZones = nullptr;
    QCheckBox* cbxDaylight = nullptr;
    QPushButton* bbtOk = nullptr;
    QPushButton* bbtDefault = nullptr;
    QPushButton* bbtCancel = nullptr;

    int32_t ZoneBias = 0;  // seconds west of UTC
    bool Daylight = false;

protected:
    void showEvent(QShowEvent* e) override;
    void reject() override;  // Esc and the close box: 2
};

extern TfrmTimezone* frmTimezone;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsTimezone(int lang);
