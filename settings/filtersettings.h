// Loading the extension filter at start-up and saving it at exit.
#pragma once

namespace pix {

// Reads "extfilter" from the settings store into the process-wide filter list; the default
// filter when the store or the value cannot be used.
void LoadFilterSettings();

// Writes the filter list, joined with ";", as "extfilter". Nothing when the store cannot be
// opened.
void SaveFilterSettings();

} // namespace pix
