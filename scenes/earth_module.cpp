// Module renderer: the earth circled by six symbols. Not drawn yet; the frame counts as a success.
#include "scenes/modules.h"

bool DrawEarthModule()
{
    return true;
}
