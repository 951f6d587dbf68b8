#include "platform/core/pczone.h"

#include <ctime>

namespace platform {

PcZone ReadPcZone()
{
    tzset();
    PcZone z;
    z.secondsWest = int(::timezone);
    z.daylight = ::daylight ? 1 : 0;
    return z;
}

}  // namespace platform
