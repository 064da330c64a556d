#include "app/render/outline_pass.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "app/render/gl_api.h"
#include "app/render/gl_program.h"

namespace kestrel::render {
namespace {

// One triangle covering the whole target, from the vertex number alone.
constexpr const char* kScreenVertexShader = R"(#version 330 core
void main() {
  vec2 p = vec2((gl_VertexID << 1) & 2, gl_VertexID & 2);
  gl_Position = vec4(p * 2.0 - 1.0, 0.0, 1.0);
}
)";

// The mask in blocks of kBlockPixels square: 1 where any pixel of the block
// is set. The outline's search for set pixels near each pixel is only made
// where a block around it has any.
constexpr int kBlockPixels = 8;
constexpr const char* kBlockFragmentShader = R"(#version 330 core
uniform sampler2D uMask;
uniform int uBlockPixels;
out float blockMask;
void main() {
  ivec2 first = ivec2(gl_FragCoord.xy) * uBlockPixels;
  ivec2 last = textureSize(uMask, 0) - 1;
  float any = 0.0;
  for (int y = 0; y < uBlockPixels; ++y)
    for (int x = 0; x < uBlockPixels; ++x)
      any = max(any, texelFetch(uMask, min(first + ivec2(x, y), last), 0).r);
  blockMask = any;
}
)";

// The rim: pixels outside the mask with the mask set within uPixels of them
// (a square; uPixels at most half a block). Mesa's software rasteriser runs
// both sides of a branch for a group of pixels, but stops at a discard that
// leaves none of the group: pixels far from a set block or inside the mask
// are discarded before the search, so that only those near its edge pay for
// it. Everything but the rim is the picture copied before.
constexpr const char* kOutlineFragmentShader = R"(#version 330 core
uniform sampler2D uMask;
uniform sampler2D uBlocks;
uniform vec3 uColor;
uniform int uPixels;
uniform int uBlockPixels;
out vec4 fragColor;
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  ivec2 last = textureSize(uMask, 0) - 1;
  ivec2 low = clamp(p - uPixels, ivec2(0), last), high = clamp(p + uPixels, ivec2(0), last);
  ivec2 lowBlock = low / uBlockPixels, highBlock = high / uBlockPixels;
  float around = max(max(texelFetch(uBlocks, lowBlock, 0).r, texelFetch(uBlocks, highBlock, 0).r),
                     max(texelFetch(uBlocks, ivec2(lowBlock.x, highBlock.y), 0).r,
                         texelFetch(uBlocks, ivec2(highBlock.x, lowBlock.y), 0).r));
  if (around == 0.0 || texelFetch(uMask, p, 0).r >= 0.5) discard;
  float near = 0.0;
  for (int y = low.y; y <= high.y; ++y)
    for (int x = low.x; x <= high.x; ++x)
      near = max(near, texelFetch(uMask, ivec2(x, y), 0).r);
  if (near == 0.0) discard;
  fragColor = vec4(uColor, 1.0);
}
)";

GLuint Renderbuffer(int samples, GLenum format, int width, int height) {
  GLuint id = 0;
  glGenRenderbuffers(1, &id);
  glBindRenderbuffer(GL_RENDERBUFFER, id);
  glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, format, width, height);
  return id;
}

// Read with texelFetch only: no filtering.
GLuint Texture(GLenum format, int width, int height) {
  GLuint id = 0;
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0,
               format == GL_R8 ? GL_RED : GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  return id;
}

void CheckComplete(const char* what) {
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
    throw std::runtime_error(std::string("OpenGL: the outline's ") + what +
                             " framebuffer is incomplete");
}

constexpr GLenum kBoth[] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
constexpr GLenum kPictureOnly[] = {GL_COLOR_ATTACHMENT0, GL_NONE};

}  // namespace

void OutlinePass::Initialize() {
  program_ = LinkProgram(kScreenVertexShader, kOutlineFragmentShader);
  blockProgram_ = LinkProgram(kScreenVertexShader, kBlockFragmentShader);
  glGenVertexArrays(1, &emptyVao_);
}

void OutlinePass::Reallocate(int width, int height, int samples) {
  FreeTargets();
  width_ = width, height_ = height, samples_ = samples;
  glGenFramebuffers(1, &drawnFbo_);
  glBindFramebuffer(GL_FRAMEBUFFER, drawnFbo_);
  drawnColor_ = Renderbuffer(samples, GL_RGBA8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, drawnColor_);
  drawnMask_ = Renderbuffer(samples, GL_R8, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT1, GL_RENDERBUFFER, drawnMask_);
  drawnDepth_ = Renderbuffer(samples, GL_DEPTH_COMPONENT24, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, drawnDepth_);
  CheckComplete("drawing");
  glGenFramebuffers(1, &resolvedFbo_);
  glBindFramebuffer(GL_FRAMEBUFFER, resolvedFbo_);
  mask_ = Texture(GL_R8, width, height);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, mask_, 0);
  CheckComplete("resolving");
  glGenFramebuffers(1, &blockFbo_);
  glBindFramebuffer(GL_FRAMEBUFFER, blockFbo_);
  blockWidth_ = (width + kBlockPixels - 1) / kBlockPixels;
  blockHeight_ = (height + kBlockPixels - 1) / kBlockPixels;
  blocks_ = Texture(GL_R8, blockWidth_, blockHeight_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, blocks_, 0);
  CheckComplete("block");
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
}

void OutlinePass::Begin(unsigned target, int width, int height) {
  target_ = target;
  glBindFramebuffer(GL_FRAMEBUFFER, target);
  GLint samples = 0;
  glGetIntegerv(GL_SAMPLES, &samples);
  if (width != width_ || height != height_ || samples != samples_)
    Reallocate(width, height, samples);
  glBindFramebuffer(GL_FRAMEBUFFER, drawnFbo_);
  glDrawBuffers(2, kBoth);
  const GLfloat zero[4] = {0, 0, 0, 0};
  glClearBufferfv(GL_COLOR, 1, zero);
  MaskWrites(false);
}

void OutlinePass::MaskWrites(bool on) {
  glDrawBuffers(2, on ? kBoth : kPictureOnly);
}

void OutlinePass::Finish(const std::array<float, 3>& color, int pixels) {
  // The picture straight to the target (same size and samples); the mask
  // resolved (or copied, without samples) into its texture.
  glBindFramebuffer(GL_READ_FRAMEBUFFER, drawnFbo_);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target_);
  glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glReadBuffer(GL_COLOR_ATTACHMENT1);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolvedFbo_);
  glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glReadBuffer(GL_COLOR_ATTACHMENT0);

  glDisable(GL_DEPTH_TEST);
  glBindVertexArray(emptyVao_);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, blocks_);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, mask_);
  glBindFramebuffer(GL_FRAMEBUFFER, blockFbo_);
  glViewport(0, 0, blockWidth_, blockHeight_);
  glUseProgram(blockProgram_);
  glUniform1i(glGetUniformLocation(blockProgram_, "uMask"), 0);
  glUniform1i(glGetUniformLocation(blockProgram_, "uBlockPixels"), kBlockPixels);
  glDrawArrays(GL_TRIANGLES, 0, 3);

  glBindFramebuffer(GL_FRAMEBUFFER, target_);
  glViewport(0, 0, width_, height_);
  glUseProgram(program_);
  glUniform1i(glGetUniformLocation(program_, "uMask"), 0);
  glUniform1i(glGetUniformLocation(program_, "uBlocks"), 1);
  glUniform1i(glGetUniformLocation(program_, "uBlockPixels"), kBlockPixels);
  glUniform3f(glGetUniformLocation(program_, "uColor"), color[0], color[1], color[2]);
  glUniform1i(glGetUniformLocation(program_, "uPixels"), std::clamp(pixels, 0, kBlockPixels / 2));
  glDrawArrays(GL_TRIANGLES, 0, 3);
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, 0);
  glActiveTexture(GL_TEXTURE0);
  glEnable(GL_DEPTH_TEST);
}

void OutlinePass::FreeTargets() {
  glDeleteFramebuffers(1, &drawnFbo_);
  glDeleteFramebuffers(1, &resolvedFbo_);
  glDeleteFramebuffers(1, &blockFbo_);
  const GLuint renderbuffers[] = {drawnColor_, drawnMask_, drawnDepth_};
  glDeleteRenderbuffers(3, renderbuffers);
  const GLuint textures[] = {mask_, blocks_};
  glDeleteTextures(2, textures);
  drawnFbo_ = resolvedFbo_ = blockFbo_ = drawnColor_ = drawnMask_ = drawnDepth_ = mask_ = blocks_ =
      0;
  width_ = height_ = 0;
  samples_ = -1;
}

void OutlinePass::Release() {
  FreeTargets();
  glDeleteProgram(program_);
  glDeleteProgram(blockProgram_);
  glDeleteVertexArrays(1, &emptyVao_);
  program_ = blockProgram_ = emptyVao_ = 0;
}

}  // namespace kestrel::render
