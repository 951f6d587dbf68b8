#pragma once
#include "comms/serial/tapdcustomcomport.h"

// The port component as forms use it: the same class with every property published.
class TApdComPort : public TApdCustomComPort {
    Q_OBJECT
public:
    using TApdCustomComPort::TApdCustomComPort;
};
