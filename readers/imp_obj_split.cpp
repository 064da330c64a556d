// The WaveFront reader's objects from "o" lines and its face checks.
//
// With "Split objects at 'o' lines" ticked, each "o NAME" line starts an
// object named NAME (spaces as "_"), coloured as the objects of "# Object"
// sections are. Face numbers stay those of the whole file, so a face may use a
// vertex of an earlier section: each object holds the vertices its faces use,
// numbered in the order they are first used, and a vertex used by two objects
// is copied into both. Positions no face uses are not imported.
#include <algorithm>

#include "host/com_error.h"
#include "imp_obj.h"
#include "text_helpers.h"

namespace ks::readers {

void CImp_OBJ::ReadObjectLine(std::string_view rest, CollectionRef& colObject3D) {
  while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
  while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
  std::string name = rest.empty() ? fileObjectName_ : std::string(rest);
  ReplaceAll(1, " ", "_", name);
  if (!Polygons.empty()) {
    HandOver(colObject3D);
    LastTriangle = -1;
    NewObject(std::move(name));
  } else {
    objectName_ = std::move(name);  // nothing of this object yet
  }
  MultiObject = true;
}

int32_t CImp_OBJ::ObjectVertex(int32_t fileVertex) {
  const size_t g = static_cast<size_t>(fileVertex);  // checked by the caller
  if (g >= vertexStamp_.size()) {
    const size_t size = std::max(vertexStamp_.size() * 2, static_cast<size_t>(LastVertex) + 1);
    vertexStamp_.resize(size, 0);
    objectVertex_.resize(size);
  }
  if (vertexStamp_[g] != objectStamp_) {
    vertexStamp_[g] = objectStamp_;
    objectVertex_[g] = static_cast<int32_t>(Vertices.size() / 3);
    const float* xyz = &fileVertices_[g * 3];
    Vertices.insert(Vertices.end(), xyz, xyz + 3);
  }
  return objectVertex_[g];
}

std::string CImp_OBJ::CornerProblem(size_t corner, int32_t index, std::string_view text) const {
  // A corner that reads as 0 without being written as a number is no vertex
  // number at all: say what the file holds.
  std::string_view written = text.substr(0, text.find('/'));
  if (index == 0 && !text.empty() && (written.empty() || !IsNumeric(written)))
    return "corner " + std::to_string(corner) + " is '" + std::string(text) +
           "', which names no vertex";
  const std::string names =
      "corner " + std::to_string(corner) + " names vertex " + std::to_string(index);
  if (index == 0) return names + "; vertex numbers start at 1";
  const int32_t defined = LastVertex + 1;
  const int64_t fileVertex =
      index < 0 ? int64_t{index} + defined : int64_t{index} - 1 + (BlockLocal ? RunStart : 0);
  if (fileVertex >= 0 && fileVertex < defined)
    return names + ", which belongs to an earlier object";
  return names + ", but only " + std::to_string(defined) +
         (defined == 1 ? " vertex is" : " vertices are") + " defined so far";
}

void CImp_OBJ::FailCorner(std::string_view face, const std::array<int32_t, 4>& corners,
                          const std::array<int32_t, 4>& vertices) const {
  const size_t count = corners[3] != 0 ? 4 : 3;
  for (size_t i = 0; i < count; ++i) {
    const std::string_view text = NextToken(face);
    if (uint32_t(vertices[i]) >= VerticesSoFar())
      Fail(err::kSubscriptOutOfRange, CornerProblem(i + 1, corners[i], text));
  }
  Fail(err::kSubscriptOutOfRange, "a face names a vertex that does not exist");
}

void CImp_OBJ::FailExtraCorner(size_t corner, int32_t index) const {
  Fail(err::kSubscriptOutOfRange, CornerProblem(corner, index));
}

namespace {
constexpr WarningKind kObjLines{"line or point statement", "line and point statements",
                                "only faces are imported"};
constexpr WarningKind kObjCurves{"curve or surface", "curves and surfaces",
                                 "only faces are imported"};
constexpr WarningKind kObjShortFaces{"face of fewer than three corners",
                                     "faces of fewer than three corners",
                                     "edges and points are not imported"};
}  // namespace

void CImp_OBJ::NotePassedOver(std::string_view key) {
  if (key == "l" || key == "p")
    st_.warnings.Count(kObjLines, key);
  else if (key == "curv" || key == "curv2" || key == "surf")
    st_.warnings.Count(kObjCurves, key);
  else if (key == "f")
    st_.warnings.Count(kObjShortFaces, key);
}

}  // namespace ks::readers
