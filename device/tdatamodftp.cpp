#include "device/tdatamodftp.h"

TDataModFtp* DataModFtp = nullptr;

TDataModFtp::TDataModFtp(QWidget* owner) : QObject(owner) {}

void TDataModFtp::FtpLogout(bool) {}
