#include "data/stationsettings.h"

TStationSettings CurrentStation;
