#include "comms/tapdcomport.h"
