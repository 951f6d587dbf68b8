#include "device/tfrmftptransfer.h"

TfrmFtpTransfer* frmFtpTransfer = nullptr;

TfrmFtpTransfer::TfrmFtpTransfer(QWidget* owner) : QDialog(owner) {}
