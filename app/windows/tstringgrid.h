#pragma once
// The grid lives in platform/, where the device windows reach it too.
#include "platform/tstringgrid.h"
