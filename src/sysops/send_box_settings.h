#pragma once
// The send-box settings file: the one place that knows where it is, what it
// holds and how its values are written and read back. The survey reads
// through it, the setup run writes through it.
//
// The file lies in a folder every account may write to ("Varnel\Tolvik"),
// and the program runs elevated: it is reached through the held product
// folder (held_folder.h), never through a name that was not checked. The
// profile functions only take a path, so the text is composed by them in
// the run's own folder, which only administrators can write, and put in
// place as a new file through the held folder.
//
// Failure model: reads answer empty values for whatever cannot be read
// (a missing file, a refused link); the write answers false and leaves the
// file as it was.

#include "sysops/send_box_settings_text.h"

namespace sysops {

// The three values; each empty when the file, its folder or the key cannot
// be read. Prepares the product folder as GetStatusBoxIniPath does.
SendBoxSettings ReadSendBoxSettings();

// Writes the three values (QuoteForProfile) into the file, keeping every
// other line it holds. All three are attempted; false when any of them, the
// folder or the file was refused or could not be written, and then the file
// is left as it was.
bool WriteSendBoxSettings(const SendBoxSettings& settings);

}  // namespace sysops
