#include "pov_mesh2.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "host/com_error.h"
#include "pov_vector.h"

namespace ks::readers {

namespace {

constexpr size_t kShownTextLimit = 40;  // longest piece of file text quoted in a message

[[noreturn]] void Bad(const std::string& what) {
  throw ComError(err::kBadData, what, "KsImport.CImp_POV");
}

std::string Shown(std::string_view text) {
  text = TrimSpaces(text);
  if (text.size() > kShownTextLimit) return std::string(text.substr(0, kShownTextLimit)) + "...";
  return std::string(text);
}

// Room for a list's entries as its count declares them; a count far beyond
// what the file holds must not reserve memory it never fills.
size_t Reserved(int64_t count) {
  constexpr int64_t kMostReserved = int64_t(1) << 20;
  return size_t(count < kMostReserved ? count : kMostReserved) * 3;
}

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '#' || c == '.' || c == '-' || c == '+';
}

}  // namespace

const char* PovMesh2::ListName(List list) {
  switch (list) {
    case List::VertexVectors:
      return "vertex_vectors";
    case List::NormalVectors:
      return "normal_vectors";
    case List::FaceIndices:
      return "face_indices";
    case List::NormalIndices:
      return "normal_indices";
    case List::None:
      break;
  }
  return "";
}

void PovMesh2::Begin(bool braceOpened) {
  const PovSymbols* symbols = symbols_;
  *this = PovMesh2();
  symbols_ = symbols;
  level_ = braceOpened ? 1 : 0;
}

PovMesh2::Entries& PovMesh2::Current() {
  switch (list_) {
    case List::VertexVectors:
      return vertices_;
    case List::NormalVectors:
      return normals_;
    case List::FaceIndices:
      return faces_;
    default:
      return normalIndices_;
  }
}

std::string_view PovMesh2::Read(std::string_view text, Target target) {
  while (Active()) {
    if (inVector_ || list_ != List::None) {
      text = ReadList(text);
      if (list_ != List::None || inVector_) return {};  // the line ended inside the list
      continue;
    }
    text = ReadBody(text, target);
    if (text.empty()) return {};
  }
  return text;
}

// Between the lists: their words, passed-over words, vectors and blocks, and
// the block's own braces.
std::string_view PovMesh2::ReadBody(std::string_view text, Target& target) {
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (skipVector_) {
      if (c == '>') skipVector_ = false;
      ++i;
    } else if (c == '{') {
      ++level_;
      ++i;
      if (level_ == 2 && skipLevel_ == 0 && pendingList_ != List::None) {
        list_ = pendingList_;
        pendingList_ = List::None;
        expect_ = Expect::Count;
        if (Current().given) Bad(std::string(ListName(list_)) + " is given twice in one mesh2");
        Current().given = true;
        return text.substr(i);
      }
      if (level_ >= 2 && skipLevel_ == 0) skipLevel_ = level_;
    } else if (c == '}') {
      ++i;
      if (level_ == skipLevel_) skipLevel_ = 0;
      if (--level_ == 0) {
        Finish(target);
        return text.substr(i);
      }
    } else if (level_ == 0) {
      if (c != ' ') Bad("mesh2 must be followed by \"{\", not \"" + Shown(text.substr(i)) + "\"");
      ++i;
    } else if (c == '<' && skipLevel_ == 0) {
      skipVector_ = true;  // an argument of a passed-over word (inside_vector)
      ++i;
    } else if (IsWordChar(c) && skipLevel_ == 0) {
      size_t end = i;
      while (end < text.size() && IsWordChar(text[end])) ++end;
      StartList(text.substr(i, end - i));
      i = end;
    } else {
      ++i;
    }
  }
  return {};
}

void PovMesh2::StartList(std::string_view word) {
  pendingList_ = IsWord(word, "VERTEX_VECTORS")   ? List::VertexVectors
                 : IsWord(word, "NORMAL_VECTORS") ? List::NormalVectors
                 : IsWord(word, "FACE_INDICES")   ? List::FaceIndices
                 : IsWord(word, "NORMAL_INDICES") ? List::NormalIndices
                                                  : List::None;
}

// Inside a list: its count, then entries and commas, up to its closing brace.
std::string_view PovMesh2::ReadList(std::string_view text) {
  const char* const name = ListName(list_);
  size_t i = 0;
  while (i < text.size()) {
    if (inVector_) {
      const size_t gt = text.find('>', i);
      vectorText_.append(text.substr(i, gt == std::string_view::npos ? gt : gt - i));
      if (gt == std::string_view::npos) {
        vectorText_ += ' ';  // the line end
        return {};
      }
      inVector_ = false;
      ReadEntry(vectorText_);
      i = gt + 1;
      continue;
    }
    const char c = text[i];
    if (c == ' ') {
      ++i;
    } else if (c == '}') {
      if (expect_ == Expect::Count) Bad(std::string(name) + " gives no count");
      CloseList();
      --level_;
      return text.substr(i + 1);
    } else if (c == ',') {
      if (expect_ != Expect::Separator)
        Bad(std::string(name) + (expect_ == Expect::Count ? " has a comma before its count"
                                                          : " has two commas in a row"));
      expect_ = Expect::Entry;
      ++i;
    } else if (c == '<') {
      if (expect_ == Expect::Count) Bad(std::string(name) + " gives no count before its entries");
      if (expect_ == Expect::Separator)
        Bad(std::string(name) + " lacks a comma before entry " +
            std::to_string(Current().Read() + 1));
      const size_t gt = text.find('>', i);
      if (gt == std::string_view::npos) {
        inVector_ = true;
        vectorText_.assign(text.substr(i + 1));
        vectorText_ += ' ';
        return {};
      }
      ReadEntry(text.substr(i + 1, gt - i - 1));
      i = gt + 1;
    } else {
      size_t end = i;
      while (end < text.size() && text[end] != ' ' && text[end] != ',' && text[end] != '}' &&
             text[end] != '<')
        ++end;
      const std::string_view token = text.substr(i, end - i);
      if (expect_ == Expect::Count) {
        ReadCount(token);
      } else if (list_ == List::FaceIndices && afterFace_ && expect_ == Expect::Entry &&
                 textureIndices_ < 3) {
        int64_t texture = 0;  // a texture index after a face: passed over
        if (!ParseCount(token, texture))
          Bad("face_indices: \"" + Shown(token) + "\" is no texture index");
        ++textureIndices_;
        expect_ = Expect::Separator;
      } else {
        Bad(std::string(name) + ": \"" + Shown(token) + "\" is not a vector");
      }
      i = end;
    }
  }
  return {};
}

void PovMesh2::ReadCount(std::string_view token) {
  Entries& entries = Current();
  bool read = ParseCount(token, entries.count);
  // A count may be a declared number or a product of them ("N*N").
  if (!read && symbols_) {
    std::string_view expression = token;
    const auto value = EvaluatePov(expression, *symbols_);
    read = value && expression.empty() && !value->isVector && value->v[0] >= 0 &&
           value->v[0] <= INT32_MAX && value->v[0] == std::floor(value->v[0]);
    if (read) entries.count = static_cast<int64_t>(value->v[0]);
  }
  if (!read || entries.count > INT32_MAX)
    Bad(std::string(ListName(list_)) + " must begin with its count, not \"" + Shown(token) + "\"");
  expect_ = Expect::Separator;
}

void PovMesh2::ReadEntry(std::string_view inside) {
  Entries& entries = Current();
  const char* const name = ListName(list_);
  if (entries.Read() == entries.count)
    Bad(std::string(name) + " gives more than the " + std::to_string(entries.count) +
        " entries its count declares");
  if (list_ == List::VertexVectors || list_ == List::NormalVectors) {
    std::array<float, 3> v;
    std::string_view bad;
    switch (ParseVector(inside, v, bad)) {
      case VectorRead::Ok:
        break;
      case VectorRead::NotThree:
        Bad(std::string(name) + ": <" + Shown(inside) + "> does not have 3 components");
      case VectorRead::NotANumber:
        Bad(std::string(name) + ": \"" + Shown(bad) + "\" is not a number");
      case VectorRead::TooLarge:
        Bad(std::string(name) + ": \"" + Shown(bad) + "\" is too large for a coordinate");
    }
    if (entries.values.empty()) entries.values.reserve(Reserved(entries.count));
    entries.values.insert(entries.values.end(), v.begin(), v.end());
  } else {
    std::array<int32_t, 3> v;
    if (!ParseIndexVector(inside, v))
      Bad(std::string(name) + ": <" + Shown(inside) + "> is not three indices from 0 up");
    const Entries& into = list_ == List::FaceIndices ? vertices_ : normals_;
    // Indices into a list read before are checked here, where the line is known.
    if (into.given && into.Read() == into.count)
      for (int32_t index : v)
        if (index >= into.count)
          Bad(std::string(name) + ": entry " + std::to_string(entries.Read() + 1) +
              " names entry " + std::to_string(index) + " of " +
              (list_ == List::FaceIndices ? "vertex_vectors" : "normal_vectors") + ", which has " +
              std::to_string(into.count));
    if (entries.indices.empty()) entries.indices.reserve(Reserved(entries.count));
    entries.indices.insert(entries.indices.end(), v.begin(), v.end());
  }
  afterFace_ = list_ == List::FaceIndices;
  textureIndices_ = 0;
  expect_ = Expect::Separator;
}

void PovMesh2::CloseList() {
  const Entries& entries = Current();
  if (entries.Read() != entries.count)
    Bad(std::string(ListName(list_)) + " declares " + std::to_string(entries.count) +
        " entries but gives " + std::to_string(entries.Read()));
  list_ = List::None;
  afterFace_ = false;
}

void PovMesh2::Finish(Target& target) {
  if (normalIndices_.given && normalIndices_.count != faces_.count)
    Bad("normal_indices gives " + std::to_string(normalIndices_.count) + " entries for " +
        std::to_string(faces_.count) + " faces");
  if (normalIndices_.given && !normals_.given) Bad("normal_indices without normal_vectors");
  const auto check = [](const Entries& indices, const Entries& into, const char* what) {
    for (size_t i = 0; i < indices.indices.size(); ++i)
      if (indices.indices[i] >= into.count)
        Bad(std::string(what) + ": entry " + std::to_string(i / 3 + 1) + " names entry " +
            std::to_string(indices.indices[i]) + " of a list of " + std::to_string(into.count));
  };
  check(faces_, vertices_, "face_indices");
  check(normalIndices_, normals_, "normal_indices");

  addedVertices_ = static_cast<int32_t>(vertices_.count);
  addedTriangles_ = static_cast<int32_t>(faces_.count);
  if (target.vertices.empty())
    target.vertices.swap(vertices_.values);
  else
    target.vertices.insert(target.vertices.end(), vertices_.values.begin(), vertices_.values.end());
  // Beyond the 32-bit range a vertex number is clamped; the host refuses it.
  const int64_t first = int64_t(target.vertexBase) + 1;
  const auto number = [first](int32_t index) {
    return static_cast<int32_t>(std::min<int64_t>(first + index, INT32_MAX));
  };
  target.polygons.reserve(target.polygons.size() + faces_.indices.size() / 3 * 4);
  for (size_t i = 0; i < faces_.indices.size(); i += 3)
    target.polygons.insert(target.polygons.end(),
                           {3, number(faces_.indices[i]), number(faces_.indices[i + 1]),
                            number(faces_.indices[i + 2])});
  if (normalIndices_.given) {
    const std::vector<float>& n = normals_.values;
    target.normals.reserve(target.normals.size() + normalIndices_.indices.size() / 3 * 10);
    for (size_t i = 0; i < normalIndices_.indices.size(); i += 3) {
      target.normals.push_back(static_cast<float>(target.triangleBase + 1 + int64_t(i / 3)));
      for (size_t k = 0; k < 3; ++k) {
        const float* v = &n[size_t(normalIndices_.indices[i + k]) * 3];
        target.normals.insert(target.normals.end(), {v[0], v[1], v[2]});
      }
    }
  }
  level_ = -1;
  vertices_ = normals_ = faces_ = normalIndices_ = Entries();
}

void PovMesh2::EndOfFile(Target target) {
  if (list_ != List::None || inVector_)
    Bad(std::string(ListName(list_)) + " is cut off by the end of the file");
  Finish(target);
}

}  // namespace ks::readers
