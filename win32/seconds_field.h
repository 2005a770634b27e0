// The rules of the settings dialog's "Seconds" field and its up-down arrows,
// free of Win32 so they are tested natively.
#pragma once

const int kMinSeconds = 1;
const int kMaxSeconds = 9999;
const int kSecondsTextChars = 9;  // only this many characters of the edit are read

// The leading decimal number of the first kSecondsTextChars characters, as
// the C runtime reads one (blanks and a sign allowed); 0 when there is none.
int ParseSecondsText(const char* pszText);
int ClampSeconds(int nSeconds);  // to kMinSeconds ... kMaxSeconds

// The up-down control keeps its default range, 100 at the bottom to 0 at the
// top, so its position only tells which arrow was clicked: +1 for the up
// arrow, -1 for the down arrow.
const int kSpinTop = 0;
const int kSpinBottom = 100;
int SpinStep(int nPosition, int nLastPosition);
