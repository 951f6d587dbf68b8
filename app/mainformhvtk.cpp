#include "app/mainformhvtk.h"

TMainFormHvtk* MainFormHvtk = nullptr;

TMainFormHvtk::TMainFormHvtk(QWidget* owner) : QMainWindow(owner) {}

TMainFormHvtk::~TMainFormHvtk() = default;
