#include "app/windows/tfrmimport.h"

TfrmImport* frmImport = nullptr;

TfrmImport::TfrmImport(QWidget* owner) : QDialog(owner) {}
