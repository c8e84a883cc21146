#pragma once

// The user's state folder: where the program keeps what must outlive a run (an update's journal,
// log files), and how a file in it is replaced. Each platform folder implements these calls.
// Failures are logged here with the reason the system gave.

#include <wx/string.h>

#include <string>

// The folder, made with its missing parents when it does not exist yet; empty (and logged) when
// it cannot be made.
//   Linux and the simulated platform: $XDG_STATE_HOME/zephlark-utility, or
//   ~/.local/state/zephlark-utility when XDG_STATE_HOME is unset or not an absolute path; folders
//   made here are private to the user (0700), existing ones are left as they are.
//   Windows: %LOCALAPPDATA%\Zephlark Utility.
wxString ZephlarkUserStateFolder();

// Replaces the file at path with bytes, all or nothing: they are written to path + ".new" in the
// same folder, flushed to the disk, and that file is then renamed over path. A crash leaves either
// the old file or the new one at path, never a mix; at worst a ".new" file stays behind, which
// the next call overwrites. False (logged) when a step fails; path is then as it was, unless only
// the last step, making the rename itself durable, failed.
bool ZephlarkReplaceFile(const wxString& path, const std::string& bytes);
