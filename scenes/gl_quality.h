// The picture-quality choices, free of OpenGL calls: whether an extension is
// offered, whether the renderer draws on the processor, the sample count of
// the offscreen buffer and the textures' anisotropy. VELTHRA_SAMPLES sets
// the samples; unset, both follow the renderer, so that a software renderer
// keeps its frame rate.
#pragma once

const int kSamplesAutomatic = -1;
const int kHardwareSamples = 4;
const float kMostAnisotropy = 8.0f;

// Whether the space-separated list of glGetString(GL_EXTENSIONS) holds the
// name as a whole entry (many names begin with another one).
bool HasGlExtension(const char* pszExtensions, const char* pszName);

// Renderers that draw on the processor, where samples and anisotropic
// filtering cost whole frames.
bool IsSoftwareRenderer(const char* pszRenderer);

// The value of VELTHRA_SAMPLES: a count of 0 or more (at most 1000), or
// kSamplesAutomatic when it is unset, empty or not a plain decimal number.
int ParseSampleSetting(const char* pszValue);

// 0 means no multisampling. Automatic: kHardwareSamples on hardware, none on
// software; a count is clamped to nMaxSamples. Fewer than 2 samples is none.
int ChooseSampleCount(int nSetting, const char* pszRenderer, int nMaxSamples);

// The textures' anisotropy, 1 for none: up to kMostAnisotropy where the
// extension is offered, on hardware or when samples are asked for by count.
float ChooseAnisotropy(int nSetting, const char* pszRenderer, bool bOffered, float fMost);
