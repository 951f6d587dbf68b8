#pragma once
#include <QMainWindow>
#include <QStringList>

#include "app/data/tdatetime.h"

// The main window: the day graph of the active station and the program's menus.
class TMainFormHvtk : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainFormHvtk(QWidget* owner = nullptr);
    ~TMainFormHvtk() override;

    // View state.
    short MagCursorIndex = 1;
    short TracCursorIndex = 2;
    short RangeCursorIndex = 3;
    TDateTime DisplayedDate = 0.0;
    QString LocalFilePath;
    int ZoomLevel = 0;  // 0 whole day, 1 two hours, 2 twelve minutes
    bool DayHasData = false;
    bool Printing = false;
    double ScaleX = 1.0;
    double ScaleY = 1.0;
    bool OnlineMode = false;
};

extern TMainFormHvtk* MainFormHvtk;
