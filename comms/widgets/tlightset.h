#pragma once
#include <QPointer>

#include "comms/widgets/tapdstatuslight.h"

// The lamps a status-light controller switches; none at first, not owned (a lamp that is
// destroyed leaves its slot empty).
struct TLightSet {
    QPointer<TApdCustomStatusLight> CTSLight;
    QPointer<TApdCustomStatusLight> DSRLight;
    QPointer<TApdCustomStatusLight> DCDLight;
    QPointer<TApdCustomStatusLight> RINGLight;
    QPointer<TApdCustomStatusLight> TXDLight;
    QPointer<TApdCustomStatusLight> RXDLight;
    QPointer<TApdCustomStatusLight> ERRORLight;
    QPointer<TApdCustomStatusLight> BREAKLight;
};
