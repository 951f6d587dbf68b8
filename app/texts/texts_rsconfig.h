#pragma once

// Assigns the texts of the device configuration window (frmRSConfig) for language 0 or 1;
// nothing while the window does not exist.
void ApplyTextsRSConfig(int lang);
