#pragma once

// Fills the text globals and the name arrays for language 0 (German) or 1 (English) and
// assigns the texts of every window that exists. Any other value changes nothing: false.
bool SetLanguage(int language);
