#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "data/stationsettings.h"  // CurrentStation, the station the device windows work on
#include "platform/core/pczone.h"

// What the device windows need of the program around them, without reaching into its windows.
// The program derives from TProgramState and registers it at start-up (SetProgramState); the
// base class answers as a program without windows would, which is what the device layer's own
// tests see. GUI thread only.

// Hidden service mode: the system-update command and the service-only device settings.
extern bool ServiceMode;
// A window titled "Projektverwaltung" existed at start-up: the port scan stops at COM2.
extern bool ProjectToolRunning;

class TProgramState {
public:
    virtual ~TProgramState() = default;

    // The PC's zone as the program found it at start (base: as the C library has it now).
    virtual platform::PcZone SavedPcZone() const;
    // Root of the local data tree.
    virtual QString DataDirectory() const;

    // Time-zone list: the entry text of a bias (seconds west), nullopt without the list; the
    // modal choice, false when cancelled or not available.
    virtual std::optional<QString> ZoneText(int32_t bias);
    virtual bool ChooseZone(int32_t& bias, bool& daylight);

    // The station list as rows of texts in its own column order; rows count from 1, as the
    // list's active row does.
    virtual int StationRowCount() const;
    virtual QStringList StationRow(int row) const;
    virtual void SetStationRow(int row, const QStringList& cells);

    // The station list window's rules on its rows (base: none of them, the list never shown).
    // The name of the row whose region and number texts are these, "" when there is none.
    virtual QString StationName(const QString& regionText, const QString& stationText) const;
    // Makes that row the active one; false (active row unchanged) when there is none.
    virtual bool FindStation(const QString& regionText, const QString& stationText);
    // Fills rec from the active row; false (rec unchanged) when there is no active row.
    virtual bool ReadStationRow(TStationSettings& rec);
    // Writes rec back into the row it was last read from.
    virtual void WriteStationRow(const TStationSettings& rec);
    // Shows the list modally for a choice by hand; its modal result.
    virtual int ShowStationList();

    // The directory chooser, starting at folder; true and the chosen folder after OK (base:
    // no chooser, false).
    virtual bool ChooseFolder(QString& folder);

    // The main window is in (or has asked for) the online mode.
    virtual bool OnlineMode() const;
};

// The registered state; the base class while none is.
TProgramState& ProgramState();
// nullptr unregisters. The caller keeps the object alive while it is registered.
void SetProgramState(TProgramState* state);
