// Module 3's sky backdrop: one display list, built on the first call and
// replayed afterwards under whatever modelview matrix is current.
#pragma once

extern unsigned int g_nBackdropList;  // GL list name; 0 until DrawBackdrop first runs

void DrawBackdrop();
