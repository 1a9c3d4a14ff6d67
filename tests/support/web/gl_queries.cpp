// The GL queries and the feedback mode the library's suites use to look at
// what they drew, on the browser host's GL layer. The library itself never
// calls them, so the layer leaves them out (glGetIntegerv and glGetTexImage,
// which it calls, are the layer's).
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

#include "host/web/gl_layer.h"

// WebGL's own error, which a draw the layer got wrong would leave.
extern "C" GLenum emscripten_glGetError();

static GlFeedback feedback;

GLenum glGetError()
{
    GLenum error = glLayer.error;
    glLayer.error = GL_NO_ERROR;
    return error != GL_NO_ERROR ? error : emscripten_glGetError();
}

void glGetBooleanv(GLenum name, GLboolean* value)
{
    if (name != GL_COLOR_WRITEMASK) {
        glLayer.error = GL_INVALID_ENUM;
        return;
    }
    for (int32_t i = 0; i < 4; ++i) {
        value[i] = glLayer.colorMask[i] ? GL_TRUE : GL_FALSE;
    }
}

// As glGetIntegerv gives them, and the matrices, colour and mask as floats.
void glGetFloatv(GLenum name, GLfloat* value)
{
    switch (name) {
    case GL_CURRENT_COLOR:
        for (int32_t i = 0; i < 4; ++i) {
            value[i] = static_cast<float>((glLayer.color >> (8 * i)) & 0xFF) / 255.0f;
        }
        return;
    case GL_COLOR_WRITEMASK:
        for (int32_t i = 0; i < 4; ++i) {
            value[i] = glLayer.colorMask[i] ? 1.0f : 0.0f;
        }
        return;
    case GL_PROJECTION_MATRIX:
    case GL_MODELVIEW_MATRIX:
        memcpy(value, name == GL_PROJECTION_MATRIX ? glLayer.projection : glLayer.modelview,
               16 * sizeof(float));
        return;
    default: {
        GLint numbers[4] = {};
        int32_t count = name == GL_VIEWPORT || name == GL_SCISSOR_BOX ? 4 : 1;
        glGetIntegerv(name, numbers);
        for (int32_t i = 0; i < count; ++i) {
            value[i] = static_cast<float>(numbers[i]);
        }
    }
    }
}

void glGetTexEnviv(GLenum target, GLenum name, GLint* value)
{
    if (target != GL_TEXTURE_ENV || name != GL_TEXTURE_ENV_MODE) {
        glLayer.error = GL_INVALID_ENUM;
        return;
    }
    *value = static_cast<GLint>(glLayer.textureEnvMode);
}

void glFeedbackBuffer(GLsizei size, GLenum type, GLfloat* buffer)
{
    if (type != GL_3D_COLOR_TEXTURE) {
        glLayer.error = GL_INVALID_ENUM;
        return;
    }
    feedback = {buffer, size, 0, 0};
}

// Entering GL_FEEDBACK sends the batch first; leaving it returns the values
// written, or -1 when they did not fit.
GLint glRenderMode(GLenum mode)
{
    GLint result = 0;
    if (glLayer.feedback != nullptr) {
        result = feedback.overflow ? -1 : feedback.used;
    }
    glLayerFlush();
    glLayer.feedback = mode == GL_FEEDBACK ? &feedback : nullptr;
    feedback.used = 0;
    feedback.overflow = 0;
    return result;
}
