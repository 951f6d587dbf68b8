#include "app/windows/tfrmstatedit.h"

TfrmStatEdit* frmStatEdit = nullptr;

TfrmStatEdit::TfrmStatEdit(QWidget* owner) : QDialog(owner) {}
