// The picture-quality choices: VELTHRA_SAMPLES, the renderer's name and the
// implementation's limits, and the extension list lookup.
#include "scenes/gl_quality.h"

#include <gtest/gtest.h>

namespace {

TEST(SampleChoice, SettingParsesPlainCountsOnly)
{
    const struct {
        const char* pszValue;
        int nSetting;
    } kCases[] = {
        {nullptr, kSamplesAutomatic}, {"", kSamplesAutomatic},  {"0", 0},    {"4", 4},
        {"08", 8},                    {"-1", kSamplesAutomatic}, {" 4", kSamplesAutomatic},
        {"4x", kSamplesAutomatic},    {"four", kSamplesAutomatic}, {"99999999999999999999", 1000},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(ParseSampleSetting(c.pszValue), c.nSetting) << (c.pszValue ? c.pszValue : "(unset)");
}

TEST(SampleChoice, AutomaticOnHardwareNoneOnSoftwareCountsClamped)
{
    const struct {
        int nSetting;
        const char* pszRenderer;
        int nMaxSamples;
        int nSamples;
    } kCases[] = {
        {kSamplesAutomatic, "Mesa Intel(R) UHD Graphics 620 (KBL GT2)", 16, 4},
        {kSamplesAutomatic, "NVIDIA GeForce RTX 3060/PCIe/SSE2", 32, 4},
        {kSamplesAutomatic, "AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49)", 2, 2},
        {kSamplesAutomatic, "llvmpipe (LLVM 15.0.6, 256 bits)", 4, 0},
        {kSamplesAutomatic, "Gallium 0.4 on softpipe", 4, 0},
        {kSamplesAutomatic, "Software Rasterizer (swrast)", 4, 0},
        {kSamplesAutomatic, "GDI Generic", 0, 0},
        {kSamplesAutomatic, "Microsoft Basic Render Driver", 8, 0},
        {kSamplesAutomatic, nullptr, 8, 0},
        {0, "NVIDIA GeForce RTX 3060/PCIe/SSE2", 32, 0},
        {4, "llvmpipe (LLVM 15.0.6, 256 bits)", 4, 4},
        {16, "llvmpipe (LLVM 15.0.6, 256 bits)", 4, 4},
        {8, "NVIDIA GeForce RTX 3060/PCIe/SSE2", 32, 8},
        {1, "NVIDIA GeForce RTX 3060/PCIe/SSE2", 32, 0},  // one sample smooths nothing
        {4, "GDI Generic", 0, 0},                         // nothing offered
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(ChooseSampleCount(c.nSetting, c.pszRenderer, c.nMaxSamples), c.nSamples)
            << c.nSetting << " " << (c.pszRenderer ? c.pszRenderer : "(none)");
    }
}

TEST(SampleChoice, AnisotropyWhereOfferedAndCheapOrAskedFor)
{
    const char* pszHardware = "NVIDIA GeForce RTX 3060/PCIe/SSE2";
    const char* pszSoftware = "llvmpipe (LLVM 15.0.6, 256 bits)";
    const struct {
        int nSetting;
        const char* pszRenderer;
        bool bOffered;
        float fMost;
        float fAnisotropy;
    } kCases[] = {
        {kSamplesAutomatic, pszHardware, true, 16.0f, 8.0f}, {kSamplesAutomatic, pszHardware, true, 4.0f, 4.0f},
        {kSamplesAutomatic, pszHardware, false, 16.0f, 1.0f}, {kSamplesAutomatic, pszSoftware, true, 16.0f, 1.0f},
        {0, pszHardware, true, 16.0f, 8.0f},                  {0, pszSoftware, true, 16.0f, 1.0f},
        {4, pszSoftware, true, 16.0f, 8.0f},                  {4, pszSoftware, false, 16.0f, 1.0f},
        {4, "GDI Generic", true, 0.0f, 1.0f},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(ChooseAnisotropy(c.nSetting, c.pszRenderer, c.bOffered, c.fMost), c.fAnisotropy)
            << c.nSetting << " " << c.pszRenderer << " " << c.bOffered << " " << c.fMost;
    }
}

TEST(GlExtensions, WholeNamesOnly)
{
    const char* pszList = "GL_EXT_framebuffer_object_plus GL_ARB_multisample GL_EXT_framebuffer_blit "
                          "GL_EXT_texture_filter_anisotropic";
    EXPECT_TRUE(HasGlExtension(pszList, "GL_ARB_multisample"));
    EXPECT_TRUE(HasGlExtension(pszList, "GL_EXT_framebuffer_blit"));
    EXPECT_TRUE(HasGlExtension(pszList, "GL_EXT_texture_filter_anisotropic"));  // the last one
    EXPECT_FALSE(HasGlExtension(pszList, "GL_EXT_framebuffer_object"));          // a prefix of another
    EXPECT_FALSE(HasGlExtension(pszList, "multisample"));                        // the end of another
    EXPECT_FALSE(HasGlExtension(pszList, ""));
    EXPECT_FALSE(HasGlExtension(nullptr, "GL_ARB_multisample"));
}

}  // namespace
