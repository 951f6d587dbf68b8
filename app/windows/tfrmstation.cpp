#include "app/windows/tfrmstation.h"

TfrmStation* frmStation = nullptr;

TfrmStation::TfrmStation(QWidget* owner) : QDialog(owner) {}
