// How many samples the offscreen buffer gets, free of OpenGL: the
// VELTHRA_SAMPLES setting, the renderer's name and the implementation's limit.
#pragma once

const int kSamplesAutomatic = -1;
const int kHardwareSamples = 4;

// The value of VELTHRA_SAMPLES: a count of 0 or more, or kSamplesAutomatic
// when it is unset, empty or not a plain decimal number.
int ParseSampleSetting(const char* pszValue);

// Renderers that draw on the processor, where samples cost whole frames.
bool IsSoftwareRenderer(const char* pszRenderer);

// 0 means no multisampling. Automatic: kHardwareSamples on hardware, none on
// software; a count is clamped to nMaxSamples. Fewer than 2 samples is none.
int ChooseSampleCount(int nSetting, const char* pszRenderer, int nMaxSamples);
