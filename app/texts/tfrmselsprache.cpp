#include "app/texts/tfrmselsprache.h"

TfrmSelSprache* frmSelSprache = nullptr;

TfrmSelSprache::TfrmSelSprache(QWidget* owner) : QDialog(owner) {}
