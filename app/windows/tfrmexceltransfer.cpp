#include "app/windows/tfrmexceltransfer.h"

TfrmExcelTransfer* frmExcelTransfer = nullptr;

TfrmExcelTransfer::TfrmExcelTransfer(QWidget* owner) : QDialog(owner) {}
