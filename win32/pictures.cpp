// The Windows side of texture loading: the pictures are "jpg" resources of
// the executable, and failures are shown in a message box with no owner.
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

void ReportTextureError(const char* pszText, const char* pszCaption)
{
    MessageBoxA(NULL, pszText, pszCaption, MB_OK);
}
