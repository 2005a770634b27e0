// The browser-command rule: every shape of registered command the dialogs
// meet, and inputs far longer than the fixed 256-byte buffers.
#include "win32/browser_command.h"

#include <gtest/gtest.h>
#include <cstring>
#include <string>

namespace {

const char kUrl[] = "http://www.velthra.example/";

struct Launch {
    bool bOk;
    std::string sFile;
    std::string sParameters;
};

Launch Build(const std::string& sArgument, const std::string& sCommand)
{
    BrowserLaunch launch;
    std::memset(&launch, 0x5A, sizeof(launch));
    bool bOk = BuildBrowserLaunch(sArgument.c_str(), sCommand.c_str(), &launch);
    if (!bOk)
        return {false, "", ""};
    EXPECT_NE(std::memchr(launch.szFile, 0, sizeof(launch.szFile)), nullptr);
    EXPECT_NE(std::memchr(launch.szParameters, 0, sizeof(launch.szParameters)), nullptr);
    return {true, launch.szFile, launch.szParameters};
}

void ExpectInternetExplorer(const Launch& launch, const std::string& sUrl = kUrl)
{
    EXPECT_TRUE(launch.bOk);
    EXPECT_EQ(launch.sFile, "iexplore.exe");
    EXPECT_EQ(launch.sParameters, "-new " + sUrl);
}

std::string NewWindow(const std::string& sUrl = kUrl)
{
    return "-new " + sUrl;
}

TEST(BrowserCommand, ExamplesOfRegisteredCommands)
{
    // None registered (the lookup's default text) or empty.
    ExpectInternetExplorer(Build(NewWindow(), "dummy"));
    ExpectInternetExplorer(Build(NewWindow(), ""));
    // Internet Explorer itself, quoted, with an option.
    ExpectInternetExplorer(
        Build(NewWindow(), "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome"));

    Launch quoted = Build(NewWindow(), "\"C:\\Program Files\\Other Browser\\Browse.EXE\" \"%1\"");
    EXPECT_TRUE(quoted.bOk);
    EXPECT_EQ(quoted.sFile, "c:\\program files\\other browser\\browse.exe");
    EXPECT_EQ(quoted.sParameters, std::string(" ") + kUrl);

    Launch option = Build(NewWindow(), "C:\\Web\\Viewer.exe -nosplash \"%1\"");
    EXPECT_TRUE(option.bOk);
    EXPECT_EQ(option.sFile, "c:\\web\\viewer.exe");
    EXPECT_EQ(option.sParameters, std::string("-nosplash ") + kUrl);

    Launch bare = Build(NewWindow(), "C:\\Web\\Viewer.EXE");
    EXPECT_TRUE(bare.bOk);
    EXPECT_EQ(bare.sFile, "c:\\web\\viewer.exe");
    EXPECT_EQ(bare.sParameters, kUrl);
}

TEST(BrowserCommand, InternetExplorerInAnyCaseAnywhere)
{
    ExpectInternetExplorer(Build(NewWindow(), "C:\\IE\\IEXPLORE.EXE"));
    ExpectInternetExplorer(Build(NewWindow(), "c:\\ie\\IExplore.Exe %1"));
    ExpectInternetExplorer(Build(NewWindow(), "c:\\other.exe --via=iexplore.exe \"%1\""));
}

TEST(BrowserCommand, TextAfterTheQuotedPlaceholderIsDropped)
{
    Launch launch = Build(NewWindow(), "c:\\b\\browse.exe -a \"%1\" -b --tail");
    EXPECT_EQ(launch.sFile, "c:\\b\\browse.exe");
    EXPECT_EQ(launch.sParameters, std::string("-a ") + kUrl);
}

TEST(BrowserCommand, UnquotedPlaceholderStaysAndTheUrlIsAppended)
{
    Launch launch = Build(NewWindow(), "c:\\b\\browse.exe -url %1");
    EXPECT_EQ(launch.sFile, "c:\\b\\browse.exe");
    EXPECT_EQ(launch.sParameters, std::string("-url %1 ") + kUrl);
}

TEST(BrowserCommand, WithoutExeInternetExplorerIsUsed)
{
    ExpectInternetExplorer(Build(NewWindow(), "browse \"%1\""));
    ExpectInternetExplorer(Build(NewWindow(), "c:\\b\\browse.ex"));
}

TEST(BrowserCommand, OneCharacterAfterExeIsSkipped)
{
    Launch closingQuote = Build(NewWindow(), "\"c:\\b\\browse.exe\"");
    EXPECT_EQ(closingQuote.sFile, "c:\\b\\browse.exe");
    EXPECT_EQ(closingQuote.sParameters, kUrl);

    Launch twoAfter = Build(NewWindow(), "\"c:\\b\\browse.exe\" ");
    EXPECT_EQ(twoAfter.sParameters, std::string("  ") + kUrl);  // the rest " ", a blank, the URL
}

TEST(BrowserCommand, UrlFromItsFirstHttpInLowerCase)
{
    Launch launch = Build("-new HTTP://WWW.Velthra.EXAMPLE/Page?Q=A", "c:\\b\\browse.exe");
    EXPECT_EQ(launch.sParameters, "http://www.velthra.example/page?q=a");
    ExpectInternetExplorer(Build("-new http://a.example/http", "dummy"), "http://a.example/http");
}

TEST(BrowserCommand, ArgumentWithoutHttpStartsNothing)
{
    BrowserLaunch launch;
    std::memset(&launch, 0, sizeof(launch));
    EXPECT_FALSE(BuildBrowserLaunch("-new www.velthra.example", "c:\\b\\browse.exe", &launch));
    EXPECT_FALSE(BuildBrowserLaunch("", "c:\\b\\browse.exe", &launch));
    EXPECT_FALSE(BuildBrowserLaunch(nullptr, nullptr, &launch));
    EXPECT_EQ(launch.szFile[0], '\0');
}

TEST(BrowserCommandLimits, UrlIsNeverCut)
{
    std::string sLongestUrl = "http://" + std::string(250 - 7, 'a');  // "-new " + URL = 255
    ExpectInternetExplorer(Build(NewWindow(sLongestUrl), "dummy"), sLongestUrl);
    EXPECT_FALSE(Build(NewWindow(sLongestUrl + "b"), "dummy").bOk);
    EXPECT_FALSE(Build(NewWindow("http://" + std::string(5000, 'x')), "c:\\b.exe").bOk);
}

TEST(BrowserCommandLimits, ProgramThatDoesNotFitFallsBackToInternetExplorer)
{
    std::string sPath255 = "c:\\" + std::string(255 - 3 - 4, 'p') + ".exe";
    ASSERT_EQ(sPath255.size(), 255u);
    Launch fits = Build(NewWindow(), sPath255);
    EXPECT_EQ(fits.sFile, sPath255);
    EXPECT_EQ(fits.sParameters, kUrl);

    ExpectInternetExplorer(Build(NewWindow(), "c:\\q" + sPath255.substr(3)));  // 256 characters
    ExpectInternetExplorer(Build(NewWindow(), "\"c:\\" + std::string(3000, 'p') + ".exe\" \"%1\""));
}

TEST(BrowserCommandLimits, ParametersThatDoNotFitFallBackToInternetExplorer)
{
    const std::string sProgram = "c:\\b.exe ";
    std::string sUrl = kUrl;
    // Rest, blank and URL exactly 255 characters: the browser's own call.
    std::string sOption(255 - 1 - sUrl.size(), 'o');
    Launch fits = Build(NewWindow(), sProgram + sOption);
    EXPECT_EQ(fits.sFile, "c:\\b.exe");
    EXPECT_EQ(fits.sParameters, sOption + " " + sUrl);

    ExpectInternetExplorer(Build(NewWindow(), sProgram + sOption + "o"));
    ExpectInternetExplorer(Build(NewWindow(), sProgram + std::string(4000, 'o') + " \"%1\""));
    // The placeholder drops the long tail, so this one fits.
    Launch tail = Build(NewWindow(), sProgram + "-x \"%1\"" + std::string(4000, 't'));
    EXPECT_EQ(tail.sParameters, "-x " + sUrl);
}

TEST(BrowserCommandLimits, ConfiguredAddressesAreLowerCaseHttp)
{
    for (const char* psz : {kProductPageUrl, kPartnerSiteUrl}) {
        std::string s = psz;
        EXPECT_EQ(s.rfind("http", 0), 0u) << s;
        EXPECT_NE(s.find(".example"), std::string::npos) << s;
        for (char c : s)
            EXPECT_FALSE(c >= 'A' && c <= 'Z') << s;
    }
    EXPECT_NE(std::string(kMakerEmailAddress).find(".example"), std::string::npos);
}

}  // namespace
