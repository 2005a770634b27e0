// How the Windows program reports a failure to the user: a modal message box
// with no owner, the caption and text the caller gives.
#include <windows.h>

#include "image/texture.h"
#include "scenes/symbol.h"

void ReportTorusError(const char* pszText, const char* pszCaption)
{
    MessageBoxA(nullptr, pszText, pszCaption, MB_OK);
}

void ReportTextureError(const char* pszText, const char* pszCaption)
{
    MessageBoxA(nullptr, pszText, pszCaption, MB_OK);
}
