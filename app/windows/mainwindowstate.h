#pragma once
#include <QString>
#include <QStringList>
#include <optional>

#include "platform/core/pczone.h"

// What the other windows need of the main window, without reaching into it: they read its
// state here and report what changes for it, and the main window reacts. The program
// registers the main window's answers (SetMainWindowState); the base class answers as a
// program without a main window. GUI thread only.
class TMainWindowState {
public:
    virtual ~TMainWindowState() = default;

    // The station line over the graph; nullopt without the main window.
    virtual std::optional<QString> StationShown() const;
    // The line under the graph: where the values come from, or a load's progress.
    virtual QString SourceLine() const;
    // The main window shows the device's data (online mode).
    virtual bool OnlineMode() const;
    // The PC's zone as the main window found it at start; zero without the main window.
    virtual platform::PcZone SavedPcZone() const;

    // The station list's rows as labels, and the index of the active one (-1 none): the main
    // window's station box shows them.
    virtual void StationListChanged(const QStringList& labels, int current);
    // The numeric view was closed by its own close box or Esc.
    virtual void NumViewClosed();
    // A language was chosen outside the main window's menu: the program takes it.
    virtual void LanguageChosen(int language);
};

// The registered state; the base class while none is.
TMainWindowState& MainWindowState();
// nullptr unregisters. The caller keeps the object alive while it is registered.
void SetMainWindowState(TMainWindowState* state);
