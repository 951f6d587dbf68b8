#include "comms/core/version.h"
