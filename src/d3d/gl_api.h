// The GL the device layer is written against: OpenGL 3.3 core through libepoxy on the desktop,
// OpenGL ES 3.0 (WebGL2) in the browser build. Whatever the two do differently goes through
// gl_profile.h; the names below only let the shared code name desktop values, which the browser
// build's profile never hands to GL.
#pragma once

#ifdef __EMSCRIPTEN__
#include <webgl/webgl2.h>  // OpenGL ES 3.0 and what WebGL2 adds to it

#define GL_BGRA 0x80E1
#define GL_UNSIGNED_INT_8_8_8_8_REV 0x8367
#define GL_UNSIGNED_SHORT_4_4_4_4_REV 0x8365
#define GL_UNSIGNED_SHORT_1_5_5_5_REV 0x8366
#define GL_TEXTURE_SWIZZLE_RGBA 0x8E46
#define GL_CLAMP_TO_BORDER 0x812D
#define GL_POINT 0x1B00
#define GL_LINE 0x1B01
#define GL_FILL 0x1B02
#else
#include <epoxy/gl.h>
#endif
