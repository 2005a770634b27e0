// The "Seconds" field: reading its text, its range, and the direction of an
// up-down click. The position of the control is never the value; at either
// end of its range the position stops changing, which the ends decide.
#include "win32/seconds_field.h"

int ParseSecondsText(const char* pszText)
{
    if (!pszText)
        return 0;
    int i = 0;
    while (i < kSecondsTextChars && (pszText[i] == ' ' || (pszText[i] >= '\t' && pszText[i] <= '\r')))
        ++i;
    bool bNegative = false;
    if (i < kSecondsTextChars && (pszText[i] == '-' || pszText[i] == '+')) {
        bNegative = pszText[i] == '-';
        ++i;
    }
    int nValue = 0;  // at most nine digits: no overflow
    for (; i < kSecondsTextChars && pszText[i] >= '0' && pszText[i] <= '9'; ++i)
        nValue = nValue * 10 + (pszText[i] - '0');
    return bNegative ? -nValue : nValue;
}

int ClampSeconds(int nSeconds)
{
    if (nSeconds < kMinSeconds)
        return kMinSeconds;
    if (nSeconds > kMaxSeconds)
        return kMaxSeconds;
    return nSeconds;
}

int SpinStep(int nPosition, int nLastPosition)
{
    if (nPosition < nLastPosition)
        return 1;
    if (nPosition > nLastPosition)
        return -1;
    return nPosition == kSpinBottom ? -1 : 1;
}
