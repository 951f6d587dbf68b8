#include "app/windows/tfrmlogview.h"

TfrmLogView* frmLogView = nullptr;

TfrmLogView::TfrmLogView(QWidget* owner) : QDialog(owner) {}
