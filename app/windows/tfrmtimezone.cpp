#include "app/windows/tfrmtimezone.h"

TfrmTimezone* frmTimezone = nullptr;

TfrmTimezone::TfrmTimezone(QWidget* owner) : QDialog(owner) {}
