#include "app/windows/tfrmdirselect.h"

TfrmDirSelect* frmDirSelect = nullptr;

TfrmDirSelect::TfrmDirSelect(QWidget* owner) : QDialog(owner) {}
