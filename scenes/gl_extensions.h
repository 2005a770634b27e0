// Whether an OpenGL extension is offered, from the space-separated list of
// glGetString(GL_EXTENSIONS); a name must match a whole entry, since many
// names begin with another one.
#pragma once

bool HasGlExtension(const char* pszExtensions, const char* pszName);
