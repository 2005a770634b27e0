#include "scenes/animation_snapshot.h"

#include "scenes/module_table.h"
#include "scenes/random.h"

void SaveAnimation(AnimationSnapshot* pSnapshot)
{
    pSnapshot->fAngle = g_fAngle;
    pSnapshot->floating = GetFloatingScene();
    pSnapshot->ring = GetRingScene();
    pSnapshot->nRandomState = GetRandomState();
}

void RestoreAnimation(const AnimationSnapshot& snapshot)
{
    g_fAngle = snapshot.fAngle;
    GetFloatingScene() = snapshot.floating;
    GetRingScene() = snapshot.ring;
    SeedRandom(snapshot.nRandomState);
}
