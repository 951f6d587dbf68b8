#include "device/tfrmconnect.h"

TfrmConnect* frmConnect = nullptr;

TfrmConnect::TfrmConnect(QWidget* owner) : QDialog(owner) {}
