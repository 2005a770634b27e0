// The symbol's failure report on Windows: a modal message box with no owner.
#include <windows.h>

#include "scenes/symbol.h"

void ReportTorusError(const char* pszText, const char* pszCaption)
{
    MessageBoxA(nullptr, pszText, pszCaption, MB_OK);
}
