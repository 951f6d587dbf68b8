#pragma once
#include <QObject>
#include <QWidget>

// UDP queries of the device search.
class TDataModUDP : public QObject {
    Q_OBJECT
public:
    explicit TDataModUDP(QWidget* owner = nullptr);
};

extern TDataModUDP* DataModUDP;
