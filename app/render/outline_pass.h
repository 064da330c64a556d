#pragma once
// The outline around selected objects, made on screen: the scene is drawn
// into a framebuffer of the pass's own whose second colour target, the mask,
// is 1 where a selected object is seen; Finish then copies the picture to the
// real target and paints every pixel outside the mask but within a few
// pixels of it in the outline colour (a rim of at most 4 pixels). This costs one pass over the
// screen whatever the meshes' size, where pushing the selected meshes out and drawing them a second
// time cost as much as the whole scene again.
//
// Every member needs the GL context to be current; Release() must run while
// it still is.
#include <array>

namespace kestrel::render {

class OutlinePass {
 public:
  // Compiles the screen pass; throws std::runtime_error with the log.
  void Initialize();
  // Binds the pass's framebuffer, made or remade to the target's size and
  // sample count, with only the picture written; the mask is cleared.
  void Begin(unsigned target, int width, int height);
  // Turns writes to the mask (fragment output 1) on or off.
  void MaskWrites(bool on);
  // Resolves the picture and the mask and draws them into the target with
  // the outline, `pixels` wide, in `color`; leaves the target bound.
  void Finish(const std::array<float, 3>& color, int pixels);
  void Release();

 private:
  void Reallocate(int width, int height, int samples);
  void FreeTargets();

  unsigned program_ = 0, blockProgram_ = 0, emptyVao_ = 0;
  unsigned target_ = 0;
  int width_ = 0, height_ = 0, samples_ = -1;
  // Drawn into (multisampled like the target); its mask is resolved into
  // a texture.
  unsigned drawnFbo_ = 0, drawnColor_ = 0, drawnMask_ = 0, drawnDepth_ = 0;
  unsigned resolvedFbo_ = 0, mask_ = 0;
  // The mask in blocks: set where any pixel of the block is.
  unsigned blockFbo_ = 0, blocks_ = 0;
  int blockWidth_ = 0, blockHeight_ = 0;
};

}  // namespace kestrel::render
