#include "comms/serial/tapdcomport.h"
