#pragma once

// The zoom chain and the time steps of the graph, apart from any window.
namespace graph {

struct TViewWindow {
    int ZoomLevel = 0;  // 0 whole day, 1 two hours, 2 twelve minutes
    int ViewHour = 0;
    int ViewMinute = 0;
    bool operator==(const TViewWindow&) const = default;
};

// A move of the view window; DayStep -1 or +1 when the day shown changes with it.
// The view is already normalised to the new day.
struct TViewMove {
    TViewWindow View;
    int DayStep = 0;
    bool operator==(const TViewMove&) const = default;
};

// Left click on plot column p: whole day -> two hours -> twelve minutes -> whole day.
TViewMove ZoomClick(const TViewWindow& view, int p);
// One hour or ten minutes back (direction -1) or ahead (+1).
TViewMove StepHour(const TViewWindow& view, int direction);
TViewMove StepTenMinutes(const TViewWindow& view, int direction);
// The time picker's hour and minute applied to the zoomed views; true when the
// view window changed.
bool TakePickedTime(TViewWindow& view, int hour, int minute);

}  // namespace graph
