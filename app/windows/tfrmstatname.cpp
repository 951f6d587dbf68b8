#include "app/windows/tfrmstatname.h"

TfrmStatName* frmStatName = nullptr;

TfrmStatName::TfrmStatName(QWidget* owner) : QDialog(owner) {}
