#include "comms/version.h"
