#pragma once

// Registers the program's answers to the device windows (device/programstate.h): the main
// window's saved zone and online mode, the time-zone window and the station list.
void RegisterProgramState();
void UnregisterProgramState();
