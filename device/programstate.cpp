#include "device/programstate.h"

bool ServiceMode = false;
bool ProjectToolRunning = false;

namespace {
TProgramState BaseState;
TProgramState* Registered = nullptr;
}  // namespace

platform::PcZone TProgramState::SavedPcZone() const { return platform::ReadPcZone(); }
QString TProgramState::DataDirectory() const { return CurrentStation.InitialDir; }
std::optional<QString> TProgramState::ZoneText(int32_t) { return std::nullopt; }
bool TProgramState::ChooseZone(int32_t&, bool&) { return false; }
int TProgramState::StationRowCount() const { return 0; }
QStringList TProgramState::StationRow(int) const { return {}; }
void TProgramState::SetStationRow(int, const QStringList&) {}
QString TProgramState::StationName(const QString&, const QString&) const { return QString(); }
bool TProgramState::FindStation(const QString&, const QString&) { return false; }
bool TProgramState::ReadStationRow(TStationSettings&) { return false; }
void TProgramState::WriteStationRow(const TStationSettings&) {}
int TProgramState::ShowStationList() { return 2; }
bool TProgramState::ChooseFolder(QString&) { return false; }
bool TProgramState::OnlineMode() const { return false; }

TProgramState& ProgramState() { return Registered ? *Registered : BaseState; }

void SetProgramState(TProgramState* state) { Registered = state; }
