#include "app/windows/tfrmdatetime.h"

TfrmDateTime* frmDateTime = nullptr;

TfrmDateTime::TfrmDateTime(QWidget* owner) : QDialog(owner) {}
