#include "device/tfrmrsconfig.h"

TfrmRSConfig* frmRSConfig = nullptr;

TfrmRSConfig::TfrmRSConfig(QWidget* owner) : QDialog(owner) {}
