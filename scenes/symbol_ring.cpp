// Module renderer: a ring of leaping symbols before the sky. Not drawn yet; the frame counts as a success.
#include "scenes/modules.h"

bool DrawSymbolRing()
{
    return true;
}
