#pragma once
// A station list row with the editor's defaults but for region, number, name and address.

#include "app/windows/tfrmstation.h"

#include <QStringList>

inline QStringList stationRow(const QString& region, const QString& number, const QString& name, const QString& ip)
{
    QStringList row = TfrmStation::DefaultRow();
    row[0] = region;
    row[1] = number;
    row[2] = name;
    row[3] = ip;
    return row;
}
