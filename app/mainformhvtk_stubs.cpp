#include "app/mainformhvtk.h"

#include <QFile>

// Stand-ins until the day loader and the graph exist.

// Until the FTP command layer exists: no file comes from the device.
bool TMainFormHvtk::FtpGetFile(const QString&, const QString& local)
{
    QFile::remove(local);
    return false;
}

void TMainFormHvtk::SetZoomButtons(int)
{
}
