#include "app/windows/tfrminfo.h"

TfrmInfo* frmInfo = nullptr;

TfrmInfo::TfrmInfo(QWidget* owner) : QDialog(owner) {}
