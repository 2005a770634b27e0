// The stored views of the Linux program: a small text file of "name = value"
// lines with the registry's value names and numbers ("mod1 depth = 4000" is a
// depth of 40.0), read with the registry's repair rules. A line that does not
// parse counts as a missing value, so a damaged or hand-edited file never
// stops the program; the file is written only when the user changed a view.
#pragma once
#include <cstddef>
#include <cstdint>

// $XDG_CONFIG_HOME/velthra/settings, else $HOME/.config/velthra/settings;
// false when neither variable is set (or the path does not fit).
bool FindSettingsPath(char* pszPath, size_t cbPath);

// The text of a settings file into the in-memory values (replacing them);
// the number of lines taken.
int ParseSettingsText(const char* pszText);
// The in-memory values as text, one line each, in the order they were first set.
void FormatSettingsText(char* pszBuffer, size_t cbBuffer);

// Reads the file (a missing or unreadable one is empty) and loads the module
// table and the cycle time from it with every repair; the file stays as it is.
void LoadSettingsFile(const char* pszPath);
// The same from the file's text.
void LoadSettingsText(const char* pszText);
// Stores the module table into the values and writes them to the file through
// a temporary file and a rename, creating the folder; false on failure.
bool SaveSettingsFile(const char* pszPath);
