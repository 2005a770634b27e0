// The module table: one view record per module (1 to 3), the snapshot of the
// built-in defaults, the current module, the cycle time, and the live view
// that the renderers read and the keys change. Plain globals, no Win32, so
// the table and its operations build and run natively.
#pragma once

struct ModuleSettings {
    float depth;  // distance of the scene's origin from the eye (translated by -depth along z)
    float horz;   // x shift
    float vert;   // y shift
    float xrot;   // degrees about x
    float yrot;   // degrees about y
    float zrot;   // degrees about z
    float speed;  // animation speed factor, 1.0 nominal
    bool active;  // takes part in the show
};

const int kModuleCount = 3;  // modules 1 to 3; 0 means none

extern ModuleSettings g_Modules[kModuleCount + 1];         // index 0 is never used
extern ModuleSettings g_DefaultModules[kModuleCount + 1];  // built-in defaults
extern int g_nModule;     // current module: 0 (none active) or 1 to 3
extern int g_nCycleTime;  // seconds a module is shown before the next one

// The live view, copied to and from the current module's record.
extern float g_fDepth;
extern float g_fHorz;
extern float g_fVert;
extern float g_fXrot;
extern float g_fYrot;
extern float g_fZrot;
extern float g_fSpeed;
extern float g_fAngle;  // the current module's animation phase, degrees

void ResetModuleTable();
void ApplyModuleView(int nModule);     // record -> live view; always resets g_fAngle
void StoreModuleView(int nModule);     // live view -> record (the active flag stays)
void RestoreDefaultView(int nModule);  // built-in defaults -> live view; g_fAngle stays
int CountActiveModules();
int NextActiveModule(int nModule);      // 0 when none is active
int PreviousActiveModule(int nModule);  // 0 when none is active
