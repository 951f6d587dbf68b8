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
bool TProgramState::OnlineMode() const { return false; }

TProgramState& ProgramState() { return Registered ? *Registered : BaseState; }

void SetProgramState(TProgramState* state) { Registered = state; }
