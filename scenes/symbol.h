// The symbol: three torus pieces compiled once into display lists and
// replayed for every symbol a module draws.
#pragma once

extern unsigned int g_nOuterTorusList;  // 0 until the first build
extern unsigned int g_nInnerTorusList;
extern unsigned int g_nArcTorusList;

// Builds the three lists with the symbol's fixed parameters (only the first call does work).
void BuildSymbolLists();
// Each rebuilds its list when tube, ring, sides or rings differ from its last build.
void BuildOuterTorus(float fTube, float fRing, int nSides, int nRings, float fSweep);
void BuildInnerTorus(float fTube, float fRing, int nSides, int nRings, float fSweep);
void BuildArcTorus(float fTube, float fRing, int nSides, int nRings, float fSweep);
// Outer ring, inner ring, arc: drawn green, leaves the neutral material in force.
void DrawSymbol();

// Shows a failure to the user (a modal box without owner); platform code.
void ReportTorusError(const char* pszText, const char* pszCaption);
