#include "platform/offscreen_gl.h"

#include <epoxy/gl.h>
// libEGL itself, not epoxy's: the program links it, so it is there to ask
// even on a system without it working (libglvnd finding no vendor).
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdlib>
#include <string>

namespace {
// EGL_NO_DISPLAY asks of EGL itself (its client extensions).
bool hasExtension(EGLDisplay display, const char* name) {
    const char* all = eglQueryString(display, EGL_EXTENSIONS);
    if (all == nullptr) return false;
    const std::string list = std::string(" ") + all + " ";
    return list.find(std::string(" ") + name + " ") != std::string::npos;
}

// A display initialised, or EGL_NO_DISPLAY.
EGLDisplay initialised(EGLDisplay display) {
    if (display == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
    EGLint major = 0, minor = 0;
    return eglInitialize(display, &major, &minor) ? display : EGL_NO_DISPLAY;
}

// Mesa's display of no window system; where it has none (an older Mesa, or
// no drawing device it will use that way), the first device's display.
EGLDisplay headlessDisplay() {
    if (hasExtension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) {
        EGLDisplay display =
            initialised(eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr));
        if (display != EGL_NO_DISPLAY) return display;
    }
    if (!hasExtension(EGL_NO_DISPLAY, "EGL_EXT_platform_device")) return EGL_NO_DISPLAY;
    auto queryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(eglGetProcAddress("eglQueryDevicesEXT"));
    EGLDeviceEXT device = nullptr;
    EGLint count = 0;
    if (queryDevices == nullptr || !queryDevices(1, &device, &count) || count < 1) return EGL_NO_DISPLAY;
    return initialised(eglGetPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, device, nullptr));
}

// No surface ever draws, so any config able to make a desktop GL context
// will do, or none where the display allows that.
bool chooseConfig(EGLDisplay display, EGLConfig& config) {
    if (hasExtension(display, "EGL_KHR_no_config_context")) {
        config = EGL_NO_CONFIG_KHR;
        return true;
    }
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_DONT_CARE, EGL_NONE};
    EGLint count = 0;
    return eglChooseConfig(display, wanted, &config, 1, &count) && count > 0;
}
}  // namespace

OffscreenGl::~OffscreenGl() { close(); }

Problem OffscreenGl::open(int width, int height) {
    close();
    // Mesa's own lines about what it could not find: the caller says it once.
    setenv("EGL_LOG_LEVEL", "fatal", 0);
    EGLDisplay headless = headlessDisplay();
    if (headless == EGL_NO_DISPLAY) return "no display without a window system";
    display = headless;
    if (!hasExtension(headless, "EGL_KHR_surfaceless_context")) {
        close();
        return "no context without a surface";
    }
    EGLConfig config = nullptr;
    if (!eglBindAPI(EGL_OPENGL_API) || !chooseConfig(headless, config)) {
        close();
        return "no desktop OpenGL";
    }
    // No version or profile asked for: a compatibility context, as the
    // window has, for the fixed-function drawing.
    const EGLint attributes[] = {EGL_NONE};
    EGLContext made = eglCreateContext(headless, config, EGL_NO_CONTEXT, attributes);
    if (made == EGL_NO_CONTEXT) {
        close();
        return "no OpenGL context";
    }
    context = made;
    if (!eglMakeCurrent(headless, EGL_NO_SURFACE, EGL_NO_SURFACE, made)) {
        close();
        return "the context would not become current";
    }
    if (epoxy_gl_version() < 30 && !epoxy_has_gl_extension("GL_ARB_framebuffer_object")) {
        close();
        return "no framebuffer objects";
    }
    for (Target& target : targets) {
        if (Problem problem = makeTarget(target, width, height)) {
            close();
            return problem;
        }
    }
    glBindFramebuffer(GL_FRAMEBUFFER, targets[0].framebuffer);
    return {};
}

Problem OffscreenGl::makeTarget(Target& target, int width, int height) {
    glGenFramebuffers(1, &target.framebuffer);
    glGenRenderbuffers(1, &target.colour);
    glGenRenderbuffers(1, &target.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, target.colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    // 32 bits, as Mesa gives the private display's window: depth tests that
    // decide a pixel one way there must decide it the same way here.
    glBindRenderbuffer(GL_RENDERBUFFER, target.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT32, width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, target.colour);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, target.depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return "no picture target of that size";
    return {};
}

void OffscreenGl::close() {
    if (context != nullptr) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        for (Target& target : targets) {
            if (target.framebuffer == 0) continue;
            glDeleteFramebuffers(1, &target.framebuffer);
            glDeleteRenderbuffers(1, &target.colour);
            glDeleteRenderbuffers(1, &target.depth);
        }
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display, context);
    }
    if (display != nullptr) eglTerminate(display);
    for (Target& target : targets) target = {};
    context = nullptr;
    display = nullptr;
}
