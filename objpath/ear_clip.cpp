#include "objpath/ear_clip.h"

#include <cstdint>
#include <vector>

#include "objpath/cap_triangulation.h"

namespace ks::objpath {
namespace {

// The loop as a ring of corners still to cut, linked both ways, with which of
// them are ears.
class EarClipper {
 public:
  EarClipper(std::span<const ExactCorner> loop, bool pathFlip, CapOutput& out)
      : loop_(loop), pathFlip_(pathFlip), out_(out), turn_(Sign(SignedArea2(loop))) {}

  bool Run();

 private:
  bool IntoAngle(const ExactCorner& x, const ExactCorner& a, const ExactCorner& b,
                 const ExactCorner& d) const;
  bool IsEar(size_t k) const;
  void MarkEar(size_t k) { ear_[k] = IsEar(k) ? 1 : 0; }
  void Unlink(size_t x);
  size_t Tidy(size_t x);
  size_t CutEar(size_t k);
  void GiveUp();

  std::span<const ExactCorner> loop_;
  bool pathFlip_;
  CapOutput& out_;
  int turn_;  // the way the loop turns: 1 or -1
  std::vector<size_t> prev_, next_;
  std::vector<uint8_t> ear_;
  size_t left_ = 0;  // corners still in the ring
  size_t polygonsBefore_ = 0, trianglesBefore_ = 0;
};

// Whether direction toward d leaves corner x strictly between its sides
// toward a and b, the triangle x, a, b turning the polygon's way.
bool EarClipper::IntoAngle(const ExactCorner& x, const ExactCorner& a, const ExactCorner& b,
                           const ExactCorner& d) const {
  return Sign(Orientation(x, a, d)) == turn_ && Sign(Orientation(x, b, d)) == -turn_;
}

// An ear: a corner that turns the polygon's way, strictly, whose triangle
// with its two neighbours holds no other corner, not even on its sides. In an
// outline that does not cross, its third side then lies inside. Where the
// outline comes back to one of the triangle's corners (a bridge to a hole, a
// corner it passes twice), neither edge there may enter the triangle.
bool EarClipper::IsEar(size_t k) const {
  const ExactCorner &p = loop_[prev_[k]], &c = loop_[k], &n = loop_[next_[k]];
  if (Sign(Orientation(p, c, n)) != turn_) return false;
  for (size_t j = next_[next_[k]]; j != prev_[k]; j = next_[j]) {
    const ExactCorner& q = loop_[j];
    const ExactCorner *a = nullptr, *b = nullptr;
    if (q.SamePlace(p)) a = &c, b = &n;
    if (q.SamePlace(c)) a = &n, b = &p;
    if (q.SamePlace(n)) a = &p, b = &c;
    if (a) {
      if (IntoAngle(q, *a, *b, loop_[prev_[j]]) || IntoAngle(q, *a, *b, loop_[next_[j]]))
        return false;
      continue;
    }
    if (Sign(Orientation(p, c, q)) != -turn_ && Sign(Orientation(c, n, q)) != -turn_ &&
        Sign(Orientation(n, p, q)) != -turn_)
      return false;
  }
  return true;
}

void EarClipper::Unlink(size_t x) {
  next_[prev_[x]] = next_[x];
  prev_[next_[x]] = prev_[x];
  --left_;
}

// Cutting can leave two corners in one place side by side, or a spike out
// and back (where the outline ran along itself): they enclose nothing and go.
// Returns a corner still in the ring next to where they were.
size_t EarClipper::Tidy(size_t x) {
  for (bool changed = true; changed && left_ >= 3;) {
    changed = false;
    if (loop_[x].SamePlace(loop_[next_[x]])) {
      Unlink(next_[x]);
      changed = true;
    } else if (loop_[prev_[x]].SamePlace(loop_[next_[x]])) {
      const size_t back = prev_[x];
      Unlink(next_[x]);
      Unlink(x);
      x = back;
      changed = true;
    }
  }
  return x;
}

// Writes the ear's triangle, takes its corner out of the ring and looks again
// at the corners around it; returns the corner to go on from.
size_t EarClipper::CutEar(size_t k) {
  const size_t p = prev_[k];
  AppendCapTriangle(out_, loop_[next_[k]].index, loop_[k].index, loop_[p].index, pathFlip_);
  Unlink(k);
  k = Tidy(p);
  k = Tidy(next_[k]);
  if (left_ >= 3)
    for (size_t j = prev_[prev_[k]], step = 0; step < 5; ++step, j = next_[j]) MarkEar(j);
  return k;
}

void EarClipper::GiveUp() {
  out_.polygons.resize(polygonsBefore_);
  out_.triangles.resize(trianglesBefore_);
}

bool EarClipper::Run() {
  const size_t m = loop_.size();
  if (m < 3 || turn_ == 0) return false;
  prev_.resize(m);
  next_.resize(m);
  for (size_t k = 0; k < m; ++k) {
    prev_[k] = (k + m - 1) % m;
    next_[k] = (k + 1) % m;
  }
  left_ = m;
  polygonsBefore_ = out_.polygons.size();
  trianglesBefore_ = out_.triangles.size();
  ear_.resize(m);
  for (size_t k = 0; k < m; ++k) MarkEar(k);

  size_t k = 0;
  size_t sinceLastCut = 0;
  bool recomputed = false;
  while (left_ > 3) {
    if (ear_[k]) {
      k = CutEar(k);
      if (left_ < 3) return true;
      sinceLastCut = 0;
      recomputed = false;
      continue;
    }
    k = next_[k];
    if (++sinceLastCut <= left_) continue;
    // Cutting an ear can free corners other than its neighbours (it may have
    // lain in their triangles): look at every corner once more.
    if (recomputed) {
      GiveUp();
      return false;
    }
    for (size_t j = next_[k]; j != k; j = next_[j]) MarkEar(j);
    MarkEar(k);
    recomputed = true;
    sinceLastCut = 0;
  }
  AppendCapTriangle(out_, loop_[next_[next_[k]]].index, loop_[next_[k]].index, loop_[k].index,
                    pathFlip_);
  return true;
}

}  // namespace

bool EarClip(std::span<const ExactCorner> loop, bool pathFlip, CapOutput& out) {
  return EarClipper(loop, pathFlip, out).Run();
}

}  // namespace ks::objpath
