// Parsing of the default browser's command (the registry's
// "HTTP\shell\open\command" default value) into a program file and its
// parameters. A quoted program path is passed without its quotation marks.
// Works on std::string and copies into the fixed buffers only
// what fits whole: a URL is never cut, and a browser call that cannot be
// built completely falls back to Internet Explorer by its program name.
#include "win32/browser_command.h"

#include <cstring>
#include <string>

const char kProductPageUrl[] = "http://www.velthra.example/";
const char kPartnerSiteUrl[] = "http://www.symbol-partner.example/";
const char kMakerEmailAddress[] = "maker@velthra.example";

namespace {

const char kInternetExplorer[] = "iexplore.exe";
const char kNewWindowOption[] = "-new ";
const char kQuotedPlaceholder[] = "\"%1\"";

// ASCII only: the result must not depend on the process's code page.
std::string ToLower(const char* psz)
{
    std::string s(psz ? psz : "");
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

bool Fits(const std::string& s)
{
    return s.size() < kBrowserTextSize;
}

void Store(char* pszBuffer, const std::string& s)
{
    std::memcpy(pszBuffer, s.c_str(), s.size() + 1);
}

// The parameters for the browser's own program: the text after ".exe" and
// the one character following it, with the URL in place of a quoted "%1" (and
// of everything after it) or else appended after a blank.
std::string BrowserParameters(const std::string& sCommand, size_t nProgramEnd,
                              const std::string& sUrl)
{
    if (nProgramEnd + 1 >= sCommand.size())
        return sUrl;
    std::string sRest = sCommand.substr(nProgramEnd + 1);
    size_t nPlaceholder = sRest.find(kQuotedPlaceholder);
    if (nPlaceholder != std::string::npos)
        return sRest.substr(0, nPlaceholder) + sUrl;
    return sRest + " " + sUrl;
}

}  // namespace

bool BuildBrowserLaunch(const char* pszArgument, const char* pszCommand, BrowserLaunch* pLaunch)
{
    std::string sArgument = ToLower(pszArgument);
    size_t nHttp = sArgument.find("http");
    if (nHttp == std::string::npos)
        return false;
    std::string sUrl = sArgument.substr(nHttp);
    std::string sFile = kInternetExplorer;
    std::string sParameters = kNewWindowOption + sUrl;
    if (!Fits(sParameters))
        return false;

    std::string sCommand = ToLower(pszCommand);
    size_t nExe = sCommand.find(".exe");
    if (sCommand.find(kInternetExplorer) == std::string::npos && nExe != std::string::npos) {
        size_t nProgramEnd = nExe + 4;
        // A quoted path loses its opening quotation mark too: a program file
        // with one quotation mark names no file, and the browser never starts.
        size_t nProgramStart = sCommand[0] == '"' ? 1 : 0;
        std::string sBrowser = sCommand.substr(nProgramStart, nProgramEnd - nProgramStart);
        std::string sBrowserParameters = BrowserParameters(sCommand, nProgramEnd, sUrl);
        if (Fits(sBrowser) && Fits(sBrowserParameters)) {
            sFile = sBrowser;
            sParameters = sBrowserParameters;
        }
    }
    Store(pLaunch->szFile, sFile);
    Store(pLaunch->szParameters, sParameters);
    return true;
}
