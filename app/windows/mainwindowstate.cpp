#include "app/windows/mainwindowstate.h"

namespace {
TMainWindowState NoMainWindow;
TMainWindowState* RegisteredMainWindow = nullptr;
}  // namespace

std::optional<QString> TMainWindowState::StationShown() const { return std::nullopt; }
QString TMainWindowState::SourceLine() const { return QString(); }
bool TMainWindowState::OnlineMode() const { return false; }
platform::PcZone TMainWindowState::SavedPcZone() const { return {}; }
void TMainWindowState::StationListChanged(const QStringList&, int) {}
void TMainWindowState::NumViewClosed() {}
void TMainWindowState::LanguageChosen(int) {}

TMainWindowState& MainWindowState() { return RegisteredMainWindow ? *RegisteredMainWindow : NoMainWindow; }

void SetMainWindowState(TMainWindowState* state) { RegisteredMainWindow = state; }
