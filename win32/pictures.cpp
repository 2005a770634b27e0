// The pictures of the Windows program: "jpg" resources of the executable.
#include <windows.h>

#include "image/texture.h"

bool FindPictureResource(uint16_t wResourceId, const void** ppData, uint32_t* pnSize)
{
    HRSRC hFound = FindResourceA(NULL, MAKEINTRESOURCEA(wResourceId), "jpg");
    HGLOBAL hLoaded = hFound ? LoadResource(NULL, hFound) : NULL;
    *ppData = hLoaded ? LockResource(hLoaded) : NULL;
    *pnSize = hFound ? SizeofResource(NULL, hFound) : 0;
    return *ppData != NULL;
}
