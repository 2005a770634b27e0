// The three module renderers. Each draws one frame of its module and returns
// true when OpenGL reports no error (and when its module is not active).
#pragma once

bool DrawFloatingSymbols();  // module 1: eight symbols drifting in a box
bool DrawEarthModule();      // module 2: the earth circled by six symbols
bool DrawSymbolRing();       // module 3: a ring of leaping symbols before the sky
