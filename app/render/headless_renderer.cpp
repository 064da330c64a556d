#include "app/render/headless_renderer.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <stdexcept>
#include <string>

#include "app/render/gl_api.h"

namespace kestrel::render {
namespace {

constexpr int kSamples = 4;
constexpr int kLargestSide = 8192;

std::runtime_error EglError(const std::string& step) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
  return std::runtime_error("headless OpenGL: " + step + " failed (EGL error " + code + ")");
}

// A colour and depth target of the given size, multisampled or not.
struct Target {
  GLuint framebuffer = 0, color = 0, depth = 0;
  Target(int width, int height, int samples) {
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glGenRenderbuffers(1, &color);
    glBindRenderbuffer(GL_RENDERBUFFER, color);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, color);
    glGenRenderbuffers(1, &depth);
    glBindRenderbuffer(GL_RENDERBUFFER, depth);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, GL_DEPTH_COMPONENT24, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
      throw std::runtime_error("headless OpenGL: a " + std::to_string(width) + "x" +
                               std::to_string(height) + " framebuffer is not complete");
  }
  ~Target() {
    glDeleteRenderbuffers(1, &depth);
    glDeleteRenderbuffers(1, &color);
    glDeleteFramebuffers(1, &framebuffer);
  }
  Target(const Target&) = delete;
  Target& operator=(const Target&) = delete;
};

}  // namespace

struct HeadlessRenderer::Context {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext context = EGL_NO_CONTEXT;
};

HeadlessRenderer::HeadlessRenderer() : context_(std::make_unique<Context>()) {
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) throw EglError("finding eglGetPlatformDisplayEXT");
  context_->display =
      getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (context_->display == EGL_NO_DISPLAY) throw EglError("opening the surfaceless display");
  EGLint major = 0, minor = 0;
  if (!eglInitialize(context_->display, &major, &minor))
    throw EglError("initialising the surfaceless display");
  if (!eglBindAPI(EGL_OPENGL_API)) throw EglError("choosing desktop OpenGL");
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                               3,
                               EGL_CONTEXT_MINOR_VERSION,
                               3,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK,
                               EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                               EGL_NONE};
  context_->context =
      eglCreateContext(context_->display, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attributes);
  if (context_->context == EGL_NO_CONTEXT) {
    auto error = EglError("creating an OpenGL 3.3 core context");
    eglTerminate(context_->display);
    throw error;
  }
}

HeadlessRenderer::~HeadlessRenderer() {
  eglMakeCurrent(context_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(context_->display, context_->context);
  eglTerminate(context_->display);
}

QImage HeadlessRenderer::Render(ks::CKsScene& scene, const PictureRequest& request) {
  const int width = request.width, height = request.height;
  if (width < 1 || height < 1 || width > kLargestSide || height > kLargestSide)
    throw std::runtime_error("picture size " + std::to_string(width) + "x" +
                             std::to_string(height) + " is outside 1 to " +
                             std::to_string(kLargestSide) + " pixels a side");
  if (!eglMakeCurrent(context_->display, EGL_NO_SURFACE, EGL_NO_SURFACE, context_->context))
    throw EglError("making the OpenGL context current");

  SceneRenderer renderer;
  renderer.Initialize();
  renderer.Upload(scene);
  Camera camera;
  camera.SetView(request.view);
  const float aspect = static_cast<float>(width) / static_cast<float>(height);
  camera.Frame(renderer.SceneSphere(), aspect);
  RenderSettings settings;
  settings.width = width, settings.height = height;
  settings.wireframe = request.wireframe;
  settings.selectedKey = request.selectedKey;
  settings.transparent = request.transparent;
  settings.grid = settings.gizmo = !request.transparent;

  // Edges resolved over a clear background carry their coverage in alpha.
  QImage picture(width, height, QImage::Format_RGBA8888_Premultiplied);
  {
    Target drawn(width, height, kSamples);
    Target resolved(width, height, 0);
    renderer.Render(camera, settings, drawn.framebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, drawn.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolved.framebuffer);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, resolved.framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, picture.bits());
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }
  renderer.Release();
  // OpenGL rows run bottom to top.
  return picture.mirrored(false, true)
      .convertToFormat(request.transparent ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

}  // namespace kestrel::render
