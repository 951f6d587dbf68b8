#include "app/windows/tfrmnumview.h"

TfrmNumView* frmNumView = nullptr;

TfrmNumView::TfrmNumView(QWidget* owner) : QDialog(owner) {}
