#include "platform/multisample_buffer.h"

#include <epoxy/gl.h>
#include <epoxy/glx.h>
// libEGL itself, as the window-less context is made with it.
#include <EGL/egl.h>

#include <algorithm>

namespace {
bool hasFramebufferObjects() {
    return epoxy_gl_version() >= 30 || epoxy_has_gl_extension("GL_ARB_framebuffer_object");
}

// A window's context (GLX) or a window-less one (EGL).
bool contextCurrent() { return glXGetCurrentContext() != nullptr || eglGetCurrentContext() != EGL_NO_CONTEXT; }
}  // namespace

MultisampleBuffer::~MultisampleBuffer() { release(); }

void MultisampleBuffer::open(int wanted, int newWidth, int newHeight, unsigned newTarget) {
    release();
    target = newTarget;
    if (wanted <= 1 || !hasFramebufferObjects()) return;
    GLint most = 0;
    glGetIntegerv(GL_MAX_SAMPLES, &most);
    sampleCount = std::min(wanted, static_cast<int>(most));
    if (sampleCount <= 1) {
        sampleCount = 0;
        return;
    }
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &colour);
    glGenRenderbuffers(1, &depth);
    resize(newWidth, newHeight);
}

void MultisampleBuffer::resize(int newWidth, int newHeight) {
    // A minimised window reports no size: the buffers keep theirs.
    if (framebuffer == 0 || newWidth <= 0 || newHeight <= 0) return;
    width = newWidth;
    height = newHeight;
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, sampleCount, GL_RGBA8, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, sampleCount, GL_DEPTH_COMPONENT24, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, target);
    if (!complete) release();  // drawn hard rather than not at all
}

void MultisampleBuffer::beginFrame() const {
    if (framebuffer != 0) glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
}

void MultisampleBuffer::endFrame() const {
    if (framebuffer == 0) return;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, target);
}

void MultisampleBuffer::release() {
    // After the window has gone there is nothing left to delete.
    if (framebuffer != 0 && contextCurrent()) {
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteRenderbuffers(1, &colour);
        glDeleteRenderbuffers(1, &depth);
    }
    framebuffer = colour = depth = 0;
    sampleCount = 0;
}
