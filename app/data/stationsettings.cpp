#include "app/data/stationsettings.h"

TStationSettings CurrentStation;
