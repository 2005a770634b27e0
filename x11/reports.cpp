// How the Linux program reports what Windows shows in message boxes: one
// line on stderr, caption first. It always runs as a saver or in a window of
// its own, never in a settings preview, so module 3 keeps its full pace.
#include <cstdio>

#include "image/texture.h"
#include "render/frame_step.h"
#include "scenes/symbol.h"

static void ReportLine(const char* pszText, const char* pszCaption)
{
    std::fprintf(stderr, "velthra: %s: %s\n", pszCaption, pszText);
}

void ReportTextureError(const char* pszText, const char* pszCaption)
{
    ReportLine(pszText, pszCaption);
}

void ReportTorusError(const char* pszText, const char* pszCaption)
{
    ReportLine(pszText, pszCaption);
}

bool IsRunningAsSaver()
{
    return true;
}
