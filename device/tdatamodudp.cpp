#include "device/tdatamodudp.h"

TDataModUDP* DataModUDP = nullptr;

TDataModUDP::TDataModUDP(QWidget* owner) : QObject(owner) {}
