// The GL queries and the feedback mode the library's suites use to look at
// what they drew, on the browser host's GL layer. The library itself never
// calls them, so the layer leaves them out.
#include <GL/gl.h>
#include <GL/glext.h>

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

void glGetIntegerv(GLenum name, GLint* value)
{
    switch (name) {
    case GL_DRAW_BUFFER:
        *value = glLayer.drawBuffer == GL_LAYER_FRONT ? GL_FRONT : GL_BACK;
        break;
    case GL_READ_BUFFER:
        *value = glLayer.readBuffer == GL_LAYER_FRONT ? GL_FRONT : GL_BACK;
        break;
    case GL_UNPACK_ROW_LENGTH:
        *value = glLayer.unpackRowLength;
        break;
    case GL_BLEND_EQUATION:
        *value = static_cast<GLint>(glLayer.blendEquation);
        break;
    case GL_BLEND_SRC:
        *value = static_cast<GLint>(glLayer.blendSrc);
        break;
    case GL_BLEND_DST:
        *value = static_cast<GLint>(glLayer.blendDst);
        break;
    default:
        glLayer.error = GL_INVALID_ENUM;
    }
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

void glGetFloatv(GLenum name, GLfloat* value)
{
    if (name != GL_CURRENT_COLOR) {
        glLayer.error = GL_INVALID_ENUM;
        return;
    }
    for (int32_t i = 0; i < 4; ++i) {
        value[i] = static_cast<float>((glLayer.color >> (8 * i)) & 0xFF) / 255.0f;
    }
}

// The bound texture as RGBA bytes, the one format the suites ask for.
void glGetTexImage(GLenum target, GLint level, GLenum format, GLenum type, GLvoid* pixels)
{
    uint32_t name = glLayer.boundTexture;
    if (target != GL_TEXTURE_2D || level != 0 || format != GL_RGBA || type != GL_UNSIGNED_BYTE ||
        name == 0 || name > glLayer.textures.size() || glLayer.textures[name - 1].image < 0) {
        glLayer.error = GL_INVALID_OPERATION;
        return;
    }
    const GlImage& image = glLayer.images[glLayer.textures[name - 1].image];
    glLayerFlush();
    webglReadTexture(image.handle, image.width, image.height, static_cast<uint8_t*>(pixels));
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
