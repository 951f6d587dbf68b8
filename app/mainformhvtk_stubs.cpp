#include "app/mainformhvtk.h"

// Stand-ins until the day loader and the graph exist.

bool TMainFormHvtk::LoadDay(TDateTime)
{
    return false;
}

void TMainFormHvtk::SetZoomButtons(int)
{
}
