#pragma once
#include "data/runtimetexts.h"  // ApplyTextGlobals, ClearTextGlobals

// One function per window assigns its texts for a language (0 German, 1 English); SetLanguage
// calls them in a fixed order. Each does nothing while its window does not exist.
void ApplyTextsMainMenu(int lang);
void ApplyTextsMain(int lang);
void ApplyTextsRSConfig(int lang);
void ApplyTextsFtpTransfer(int lang);
void ApplyTextsConnect(int lang);
void ApplyTextsLogView(int lang);
void ApplyTextsNumView(int lang);
void ApplyTextsTimezone(int lang);
void ApplyTextsStation(int lang);
void ApplyTextsStatEdit(int lang);
void ApplyTextsSelSprache(int lang);
void ApplyTextsDirSelect(int lang);
void ApplyTextsStatName(int lang);
void ApplyTextsInfo(int lang);
void ApplyTextsExcelTransfer(int lang);
void ApplyTextsImport(int lang);
void ApplyTextsStatistik(int lang);
