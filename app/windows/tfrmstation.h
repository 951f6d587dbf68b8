#pragma once
#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>

#include "data/stationsettings.h"

class QLabel;
class QPushButton;
class TStringGrid;

// The station list: one grid row of 23 texts per station (region, number, name, address,
// zone text, zone bias, summer-time flag, last download, mask, login, password, then the
// weekday and Sunday hour bounds). It converts rows to and from CurrentStation.
class TfrmStation : public QDialog {
    Q_OBJECT
public:
    static constexpr int StationColumns = 23;

    explicit TfrmStation(QWidget* owner = nullptr);

    // Fills rec from row ActiveRow. Every column is converted before rec changes: on a text
    // that is no integer in column 0, 1, 5, 6 or 7 it throws EConvertError and rec stays as it
    // was. Returns false (rec unchanged) when ActiveRow names no station row.
    bool ReadStationRow(TStationSettings& rec);
    // Writes rec's last download, address, mask, login and password back into the row rec
    // was last read from, wherever that row is now; nothing when that row is gone.
    void WriteStationRow(const TStationSettings& rec);

    QString StationName(const QString& regionText, const QString& stationText) const;
    bool FindStation(const QString& regionText, const QString& stationText);
    // False when a row other than ActiveRow holds the same region and number (as integers);
    // throws EConvertError when a compared row does not hold integers there.
    bool IsUniqueRegionStation(int region, int station) const;
    // Checks the hour fields of the station editor; 0 or the number of the rule broken.
    int CheckHourWindows() const;

    void UpdateButtons();

    // Label of a row in the main window's station box: name (region/number).
    QString RowLabel(int row) const;
    // Refills the main window's station box from the grid and selects the ActiveRow station.
    void FillStationBox();
    // Replaces the list by the default row with no active station (first start), so that
    // showing the window opens the editor on it; the station box follows.
    void ReplaceWithDefaultRow();
    static QStringList DefaultRow();

    void FormShow();
    void stgListClick();
    void stgListDblClick();
    void bbtNewClick();
    void bbtEditClick();
    void bbtDeleteClick();

    TStringGrid* stgList = nullptr;
    QPushButton* bbtExit = nullptr;
    QLabel* lblStation = nullptr;
    QPushButton* bbtEdit = nullptr;
    QPushButton* bbtDelete = nullptr;
    QPushButton* bbtNew = nullptr;

    int32_t ActiveRow = -1;  // 1-based row of the active station; 0 none, -1 not yet set

    // Closing other than by bbtExit gives cancel (2).
    void reject() override;

protected:
    void showEvent(QShowEvent* e) override;

private:
    // Widens the visible columns (never below their design widths) so that no text is cut.
    void FitColumns();
    void FillEditorHours(const QStringList& hours);
    QStringList EditorHours() const;

    // Row identity each record was last read from.
    std::map<const TStationSettings*, uint64_t> m_readFrom;
};

extern TfrmStation* frmStation;
// Gives the window its texts in a language (0 German, 1 English); nothing while it does not exist.
void ApplyTextsStation(int lang);
