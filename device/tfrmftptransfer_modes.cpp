// Identification, upload and log modes of the transfer window.
#include "device/tfrmftptransfer.h"

void TfrmFtpTransfer::bbtConnectClick() {}

void TfrmFtpTransfer::ConnectOnlyClick()
{
    TransferResult = 1;
    close();
}

void TfrmFtpTransfer::UploadConnectClick() {}

void TfrmFtpTransfer::bbtUpLoadSysClick() {}
