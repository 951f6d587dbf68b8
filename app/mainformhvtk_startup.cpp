#include "app/mainformhvtk.h"

void TMainFormHvtk::FormCreate() {}
void TMainFormHvtk::FormShow() {}
void TMainFormHvtk::FormClose() {}
bool TMainFormHvtk::SaveSettings() { return true; }
void TMainFormHvtk::ReadStationList() {}
