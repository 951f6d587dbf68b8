#pragma once
#include <QChar>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Editor of one station: region, number, name, zone and the weekday and Sunday hour bounds.
// The station list fills the fields, shows it modally and reads them back on OK (result 1).
class TfrmStatEdit : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStatEdit(QWidget* owner = nullptr);

    void FormShow();
    // Validates in a fixed order; the first problem is shown and its field focused.
    void bbtOkClick();
    void bbtTimezoneClick();
    void bbtLanguageClick();
    // Key filter of the number and hour fields: digits and backspace pass, others become 0.
    static void edNumKeyPress(QChar& key);

    // The twelve hour fields: weekday then Sunday, night low/high, day 1, day 2.
    QLineEdit* HourEdit(int index) const;

    QLineEdit* edRegNum = nullptr;
    QLineEdit* edStatNum = nullptr;
    QLineEdit* edAktName = nullptr;
    QPushButton* bbtTimezone = nullptr;
    QLineEdit* edTimezoneStr = nullptr;
    QLineEdit* edTimezone = nullptr;  // hidden: bias in seconds west of UTC
    QLineEdit* edDaylight = nullptr;  // hidden: "0" / "1"
    QLineEdit* edWdNightLow = nullptr;
    QLineEdit* edWdNightHigh = nullptr;
    QLineEdit* edWdDay1Low = nullptr;
    QLineEdit* edWdDay1High = nullptr;
    QLineEdit* edWdDay2Low = nullptr;
    QLineEdit* edWdDay2High = nullptr;
    QLineEdit* edSdNightLow = nullptr;
    QLineEdit* edSdNightHigh = nullptr;
    QLineEdit* edSdDay1Low = nullptr;
    QLineEdit* edSdDay1High = nullptr;
    QLineEdit* edSdDay2Low = nullptr;
    QLineEdit* edSdDay2High = nullptr;
    QPushButton* bbtOk = nullptr;
    QPushButton* bbtCancel = nullptr;
    QPushButton* bbtLanguage = nullptr;

    QLabel* lblNum = nullptr;
    QLabel* lblRegion = nullptr;
    QLabel* lblName = nullptr;
    QLabel* lblTimeZone = nullptr;
    QLabel* lblOclock1 = nullptr;
    QLabel* lblOclock2 = nullptr;
    QLabel* lblOclock3 = nullptr;
    QLabel* lblWorkdays = nullptr;
    QLabel* lblSundays = nullptr;
    QLabel* lblNightRegion = nullptr;
    QLabel* lblDayRegion1 = nullptr;
    QLabel* lblDayRegion2 = nullptr;
    QLabel* lblEnterRegion = nullptr;

    // Every way of closing returns the result that the buttons left (2 unless OK passed).
    void done(int r) override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    int m_result = 2;  // 1 only after bbtOk validated everything
};

extern TfrmStatEdit* frmStatEdit;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsStatEdit(int lang);
