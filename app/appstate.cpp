#include "app/appstate.h"

#include "app/mainformhvtk.h"
#include "app/windows/tfrmdirselect.h"
#include "app/windows/tfrmstation.h"
#include "app/windows/tfrmtimezone.h"
#include "platform/gui/tstringgrid.h"
#include "device/programstate.h"

namespace {

// Each answer falls back to the base class while its window does not exist.
class TAppState : public TProgramState {
public:
    platform::PcZone SavedPcZone() const override
    {
        if (!MainFormHvtk)
            return TProgramState::SavedPcZone();
        return {MainFormHvtk->SavedTimezone, MainFormHvtk->SavedDaylight};
    }

    std::optional<QString> ZoneText(int32_t bias) override
    {
        if (!frmTimezone)
            return std::nullopt;
        return frmTimezone->ZoneText(bias);
    }

    bool ChooseZone(int32_t& bias, bool& daylight) override
    {
        if (!frmTimezone)
            return false;
        frmTimezone->ZoneBias = bias;
        frmTimezone->Daylight = daylight;
        if (frmTimezone->exec() != 1)
            return false;
        bias = frmTimezone->ZoneBias;
        daylight = frmTimezone->Daylight;
        return true;
    }

    int StationRowCount() const override { return frmStation ? frmStation->stgList->RowCount() - 1 : 0; }

    QStringList StationRow(int row) const override
    {
        if (!frmStation || row < 1 || row > StationRowCount())
            return {};
        return frmStation->stgList->RowTexts(row);
    }

    void SetStationRow(int row, const QStringList& cells) override
    {
        if (frmStation && row >= 1 && row <= StationRowCount())
            frmStation->stgList->SetRowTexts(row, cells);
    }

    QString StationName(const QString& regionText, const QString& stationText) const override
    {
        return frmStation ? frmStation->StationName(regionText, stationText) : QString();
    }

    bool FindStation(const QString& regionText, const QString& stationText) override
    {
        return frmStation && frmStation->FindStation(regionText, stationText);
    }

    bool ReadStationRow(TStationSettings& rec) override { return frmStation && frmStation->ReadStationRow(rec); }

    void WriteStationRow(const TStationSettings& rec) override
    {
        if (frmStation)
            frmStation->WriteStationRow(rec);
    }

    int ShowStationList() override { return frmStation ? frmStation->exec() : 2; }

    bool ChooseFolder(QString& folder) override
    {
        if (!frmDirSelect)
            return false;
        frmDirSelect->Path = folder;
        if (frmDirSelect->exec() != 1)
            return false;
        folder = frmDirSelect->Path;
        return true;
    }

    bool OnlineMode() const override { return MainFormHvtk && MainFormHvtk->OnlineMode; }
};

TAppState AppState;

}  // namespace

void RegisterProgramState() { SetProgramState(&AppState); }

void UnregisterProgramState() { SetProgramState(nullptr); }
