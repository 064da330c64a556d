#pragma once
// OpenGL core entry points, called directly through the system's dispatch
// library (libOpenGL): it forwards to whichever context is current, the
// viewport's or the headless one. Only the renderer's own sources include
// this; Qt's GL headers must not meet it in one file.
#define GL_GLEXT_PROTOTYPES 1
#include <GL/glcorearb.h>
