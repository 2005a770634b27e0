// The settings store: typed reads and writes of single registry values below
// a sub-key chosen by SetStoreContext, and the loading and saving of the
// module table and cycle time. Registry failures are never reported: reads
// fall back to their defaults and failed writes are ignored.
#pragma once
#include <windows.h>

extern const char kSettingsKey[];  // "Software\Nimbrel\Velthra" below HKEY_CURRENT_USER
extern bool g_bMuteSound;          // read and written by the settings dialog only

// Sub-key below the root of each operation; a window, when given, supplies
// the class string for a key that has to be created.
void SetStoreContext(HWND hWnd, const char* pszSubKey);

// Below HKEY_CURRENT_USER; the key is created when missing, also by a read.
int ReadDword(const char* pszName, int nDefault);
bool WriteDword(const char* pszName, int nValue);
// cbBuffer counts the terminating NUL. The result is always terminated; on
// any failure (also data that does not fit) it holds the default text.
char* ReadString(const char* pszName, char* pszBuffer, DWORD cbBuffer, const char* pszDefault);
bool WriteString(const char* pszName, const char* pszText);
// As ReadString, below HKEY_CLASSES_ROOT, opened for reading only. An empty
// name reads the key's default value.
char* ReadClassesRootString(const char* pszName, char* pszBuffer, DWORD cbBuffer,
                            const char* pszDefault);

void LoadSettings();  // also seeds the random generator with the calendar time
void SaveSettings();
