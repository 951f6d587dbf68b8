#include "app/graph/viewnavigation.h"

#include <algorithm>

namespace graph {

TViewMove ZoomClick(const TViewWindow& view, int p)
{
    TViewMove move{view, 0};
    TViewWindow& v = move.View;
    switch (view.ZoomLevel) {
    case 0:
        // The right edge (column 1440) has no hour of its own: it zooms into hour 23.
        v = {1, std::clamp(p / 60, 0, 23), 0};
        break;
    case 1: {
        const int q = std::clamp(p / 600, 0, 2);
        v.ZoomLevel = 2;
        v.ViewHour += q;
        v.ViewMinute = ((p - 600 * q) / 100) * 10;
        if (v.ViewHour >= 24) {
            v.ViewHour -= 24;
            move.DayStep = 1;
        }
        break;
    }
    default:
        v.ZoomLevel = 0;
        break;
    }
    return move;
}

TViewMove StepHour(const TViewWindow& view, int direction)
{
    TViewMove move{view, 0};
    TViewWindow& v = move.View;
    if (direction < 0) {
        if (--v.ViewHour < 0) {
            v.ViewHour += 24;
            move.DayStep = -1;
        }
    } else if (++v.ViewHour >= 24) {
        v.ViewHour -= 24;
        move.DayStep = 1;
    }
    return move;
}

TViewMove StepTenMinutes(const TViewWindow& view, int direction)
{
    TViewMove move{view, 0};
    TViewWindow& v = move.View;
    if (direction < 0) {
        v.ViewMinute -= 10;
        if (v.ViewMinute < 0) {
            v.ViewMinute = 50;
            if (--v.ViewHour < 0) {
                v.ViewHour += 24;
                move.DayStep = -1;
            }
        }
    } else {
        v.ViewMinute += 10;
        if (v.ViewMinute >= 60) {
            v.ViewMinute = 0;
            if (++v.ViewHour >= 24) {
                v.ViewHour -= 24;
                move.DayStep = 1;
            }
        }
    }
    return move;
}

bool TakePickedTime(TViewWindow& view, int hour, int minute)
{
    if (view.ZoomLevel == 1) {
        if (hour == view.ViewHour)
            return false;
        view.ViewHour = hour;
        return true;
    }
    if (view.ZoomLevel == 2) {
        minute = minute / 10 * 10;
        if (minute == view.ViewMinute && hour == view.ViewHour)
            return false;
        view.ViewHour = hour;
        view.ViewMinute = minute;
        return true;
    }
    return false;
}

}  // namespace graph
