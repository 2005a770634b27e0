// Module renderer: eight symbols drifting in a box. Not drawn yet; the frame counts as a success.
#include "scenes/modules.h"

bool DrawFloatingSymbols()
{
    return true;
}
