// The web and mail addresses of the information dialogs, and the rule that
// turns the default browser's registered command into the program file and
// parameters of a "open this page in a new window" call. Free of Win32 so the
// rule is tested natively, long inputs included.
#pragma once
#include <cstddef>

// Configuration of the build: lower case, absolute, beginning with "http".
extern const char kProductPageUrl[];
extern const char kPartnerSiteUrl[];
extern const char kMakerEmailAddress[];

// The fixed buffers of the browser call: 255 characters and the NUL.
const size_t kBrowserTextSize = 256;

struct BrowserLaunch {
    char szFile[kBrowserTextSize];        // program to start
    char szParameters[kBrowserTextSize];  // its command-line parameters
};

// pszArgument holds the URL from its first "http" on (callers pass "-new "
// and the URL); pszCommand is the registered browser command, any text when
// there is none. Both are taken in lower case; the program file is the
// command up to its first ".exe", without an opening quotation mark. A command naming Internet
// Explorer, or no program ending in ".exe", gives Internet Explorer with
// "-new " and the URL; so does any other command whose program or parameters
// would not fit the buffers. Returns false, and fills nothing, when the
// argument holds no "http" or the URL is too long to be passed whole.
bool BuildBrowserLaunch(const char* pszArgument, const char* pszCommand, BrowserLaunch* pLaunch);
