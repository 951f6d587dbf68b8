#include "app/windows/tfrmstatistik.h"

TfrmStatistik* frmStatistik = nullptr;

TfrmStatistik::TfrmStatistik(QWidget* owner) : QDialog(owner) {}
