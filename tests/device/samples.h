#pragma once
// Values the device tests share.

#include "data/tdatetime.h"
#include "app/windows/tfrmstation.h"

#include <QStringList>

// A station list row with the editor's defaults but for region, number, name and address.

inline QStringList stationRow(const QString& region, const QString& number, const QString& name, const QString& ip)
{
    QStringList row = TfrmStation::DefaultRow();
    row[0] = region;
    row[1] = number;
    row[2] = name;
    row[3] = ip;
    return row;
}

// A local date and time as the pickers give it.
inline TDateTime Local(int y, int mo, int d, int h = 0, int mi = 0)
{
    return EncodeDate(y, mo, d) + EncodeTime(h, mi, 0, 0);
}
