// The rules by which the module table and the cycle time are read from and
// written to the settings store: value names, defaults, the -9999 "missing"
// marker, the x100 fixed point and the repairs made on load. They work over a
// two-function read/write interface so that they run natively against an
// in-memory store as well as against the registry.
#pragma once
#include <cstddef>
#include <cstdint>

const int32_t kMissingValue = -9999;  // read default that marks a value as absent
const int32_t kDefaultCycleTime = 30;
const float kMinSpeed = 0.005f;
const float kMaxSpeed = 10.0f;

// "all monitors": the full-screen saver draws on every monitor, not only on
// the primary one (the others are black). Stored as 1 or 0; anything but 1 reads as off.
extern bool g_bAllMonitors;

// Reads a 32-bit value or returns the default; writes one, true on success.
struct DwordStore {
    int32_t (*pfnReadDword)(const char* pszName, int32_t nDefault);
    bool (*pfnWriteDword)(const char* pszName, int32_t nValue);
};

// Builds "mod<n> <field>" (field: "depth" ... "active") into the buffer.
void FormatModuleValueName(char* pszBuffer, size_t cbBuffer, int nModule, const char* pszField);

// Value x 100 in double precision, truncated toward zero. Values beyond the
// 32-bit range saturate and NaN becomes 0, so no conversion is undefined.
int32_t EncodeFixed100(float fValue);
// nValue / 100 as the float that encodes back to nValue, so that loading and
// saving again leaves a stored value unchanged.
float DecodeFixed100(int32_t nValue);

// Resets the table, reads modules 1 to 3, the cycle time and "all monitors" with every repair,
// writes them back, makes the first active module current and applies its view.
void LoadSettingsFrom(const DwordStore& store);
// Writes the records of modules 1 to 3, the cycle time and "all monitors" (not the live view).
void SaveSettingsTo(const DwordStore& store);
