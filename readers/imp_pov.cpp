#include "readers/imp_pov.h"

#include <cfloat>
#include <cmath>
#include <limits>

#include "host/dispatch.h"
#include "host/runtime.h"
#include "readers/text_helpers.h"
#include "readers/text_input.h"

namespace ks::readers {
namespace {

constexpr std::string_view kSource = "KsImport.CImp_POV";
constexpr int32_t kDefaultColor = 0 + 128 * 256 + 192 * 65536;  // RGB(0, 128, 192)
constexpr size_t kShownTextLimit = 60;  // longest piece of file text quoted in a message

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string Upper(std::string_view word) {
  std::string out(word);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

std::string Quote(std::string_view text) {
  if (text.size() > kShownTextLimit)
    return "\"" + std::string(text.substr(0, kShownTextLimit)) + "...\"";
  return "\"" + std::string(text) + "\"";
}

// The name part of a path, for messages ("C:\dir\a.inc" and "/dir/a.inc" give "a.inc").
std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first `count` pieces of `text` split at every "<"; returns how many pieces there are
// in all (up to count).
template <size_t N>
size_t SplitAtLess(std::string_view text, std::array<std::string_view, N>& pieces) {
  size_t n = 0;
  while (n < N) {
    size_t lt = text.find('<');
    pieces[n++] = text.substr(0, lt);
    if (lt == std::string_view::npos) break;
    text.remove_prefix(lt + 1);
  }
  return n;
}

}  // namespace

CImp_POV::CImp_POV(ImportState& state) : state_(state) {
  state_.LineMode = 0;
}

void CImp_POV::Load(const std::string& p_FileName, CollectionRef& p_colObject3D) {
  Objects = std::make_shared<Collection>();
  p_colObject3D = Objects;
  BraceDepth = 0;
  DeclaredName.clear();
  VertexBase = -1;
  SmoothCount = -1;
  WordSeen = false;
  inBlockComment_ = false;
  fileLabel_ = BaseName(p_FileName);
  try {
    if (!state_.file) state_.file = std::make_unique<TextInput>();
    state_.file->Open(p_FileName);
    ReadLines();
    state_.file->Close();
  } catch (...) {
    state_.CloseFiles();
    throw;
  }
}

void CImp_POV::ReadLines() {
  std::string buffer;
  while (!state_.file->AtEnd() && state_.StopImport == 0) {
    std::string_view raw = ReadLine(state_);
    buffer = StripComments(raw);
    for (char& c : buffer)
      if (c == '\t') c = ' ';
    ProcessLine(buffer);
    state_.ReportProgress(static_cast<double>(state_.CharsRead));
    state_.YieldToUi();
  }
}

std::string CImp_POV::StripComments(std::string_view line) {
  std::string out;
  out.reserve(line.size());
  bool inString = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    char next = i + 1 < line.size() ? line[i + 1] : '\0';
    if (inBlockComment_) {
      if (c == '*' && next == '/') {
        inBlockComment_ = false;
        out += ' ';
        ++i;
      }
      continue;
    }
    if (inString) {
      // A string ends at the next unescaped quote; comment marks inside it are text.
      out += c;
      if (c == '\\' && next != '\0') {
        out += next;
        ++i;
      } else if (c == '"') {
        inString = false;
      }
      continue;
    }
    if (c == '"') {
      inString = true;
      out += c;
    } else if (c == '/' && next == '/') {
      break;
    } else if (c == '/' && next == '*') {
      inBlockComment_ = true;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

void CImp_POV::ProcessLine(std::string& buffer) {
  std::string_view rest = buffer;
  while (!rest.empty()) {
    // A word is judged at the depth before its own opening brace: "mesh{" at
    // the top level is a top-level mesh, as "mesh {" is.
    int32_t depth = BraceDepth;
    bool braceOpened = false;
    std::string word = Upper(CutWord(rest, braceOpened));
    bool recognised = true;
    if (word == "{") {
      ChangeDepth(1);
    } else if (word == "}") {
      ChangeDepth(-1);
    } else if (depth == 0) {
      if (word == "#DECLARE") {
        ReadDeclaredName(buffer, rest);
      } else if (word == "MESH") {
        NewObject(false, true);
      } else if (word == "OBJECT") {
        NewObject(true, true);
      } else if (word != "SPHERE" && word != "BOX" && word != "CYLINDER" && word != "DISC" &&
                 word != "PLANE") {
        recognised = false;
      }
    } else if (depth > 0) {
      if (word == "MESH") {
        NewObject(false, false);
      } else if (word == "TRIANGLE" || word == "SMOOTH_TRIANGLE") {
        // The triangle's own braces are not counted: it stands on one line.
        if (braceOpened) ChangeDepth(-1);
        if (word == "TRIANGLE")
          Triangle(rest);
        else
          SmoothTriangle(rest);
        rest = {};
      } else if (word == "<") {
        // A vector standing on its own (a transform's argument): passed over.
        size_t gt = rest.find('>');
        rest = gt == std::string_view::npos ? std::string_view() : rest.substr(gt + 1);
      } else if (word != "TRANSLATE" && word != "ROTATE" && word != "SCALE") {
        recognised = false;
      }
    } else {
      recognised = false;
    }
    if (recognised)
      WordSeen = true;
    else if (!WordSeen)
      return;  // leading lines of unknown words are dropped whole
  }
}

std::string_view CImp_POV::CutWord(std::string_view& rest, bool& braceOpened) {
  rest = Trim(rest);
  std::string_view word;
  size_t space = rest.find(' ');
  if (space != std::string_view::npos) {
    word = Trim(rest.substr(0, space));
    rest.remove_prefix(space + 1);
  } else if (size_t brace = rest.find('{'); brace != std::string_view::npos) {
    word = Trim(rest.substr(0, brace));
    rest.remove_prefix(brace + 1);
    ChangeDepth(1);
    braceOpened = true;
  } else {
    word = rest;
    rest = {};
  }
  return word;
}

void CImp_POV::ReadDeclaredName(std::string& buffer, std::string_view& rest) {
  bool braceOpened = false;
  std::string_view name = CutWord(rest, braceOpened);
  size_t equals = name.find('=');
  if (equals == std::string_view::npos) {
    DeclaredName = name;
    return;
  }
  // "#declare Name=mesh {": the name ends at the equals sign and what follows
  // it goes back to the line, with the brace the cutter took.
  DeclaredName = name.substr(0, equals);
  std::string_view after = name.substr(equals + 1);
  if (after.empty()) return;
  if (braceOpened) ChangeDepth(-1);
  std::string remaining = std::string(after) + (braceOpened ? "{" : " ") + std::string(rest);
  buffer = std::move(remaining);
  rest = buffer;
}

void CImp_POV::NewObject(bool asObject, bool topLevel) {
  if (asObject) DeclaredName.clear();
  // An anonymous mesh inside a block adds to the object created before it.
  else if (DeclaredName.empty() && !topLevel)
    return;
  VertexBase = -1;
  SmoothCount = -1;
  ObjectRef object = state_.runtime.CreateObject("Kestrel.CKsObject");
  Put(object, "Name", Variant(DeclaredName.empty() ? std::string("Object") : DeclaredName));
  Put(object, "DefaultColor", Variant(kDefaultColor));
  Call(Objects, "Add", Variant(object));
}

ObjectRef CImp_POV::CurrentObject() const {
  if (Objects->Count() == 0) Fail(err::kBadData, "triangle outside a mesh or object");
  return Objects->Item(Objects->Count()).ToObject();
}

void CImp_POV::Triangle(std::string_view rest) {
  ObjectRef object = CurrentObject();
  std::array<std::string_view, 4> pieces;
  if (SplitAtLess(rest, pieces) < 4) return;
  // All three corners are read before anything is handed to the object, so a
  // bad number leaves no stray vertices behind.
  AddTriangle(object, ReadVector(pieces[1]), ReadVector(pieces[2]), ReadVector(pieces[3]));
}

void CImp_POV::SmoothTriangle(std::string_view rest) {
  ObjectRef object = CurrentObject();
  std::array<std::string_view, 7> pieces;
  if (SplitAtLess(rest, pieces) < 7) return;
  std::array<Vector, 3> corners;
  std::array<Vector, 3> normals;
  for (size_t k = 0; k < 3; ++k) {
    corners[k] = ReadVector(pieces[2 * k + 1]);
    normals[k] = ReadVector(pieces[2 * k + 2]);
  }
  AddTriangle(object, corners[0], corners[1], corners[2]);
  std::vector<Variant> args;
  args.reserve(10);
  args.emplace_back(SmoothCount);
  for (const Vector& n : normals)
    for (float v : n) args.emplace_back(v);
  Call(object, "Set_PoligonNormal", args);
}

void CImp_POV::AddTriangle(const ObjectRef& object, const Vector& a, const Vector& b,
                           const Vector& c) {
  for (const Vector* v : {&a, &b, &c}) {
    std::vector<Variant> xyz{Variant((*v)[0]), Variant((*v)[1]), Variant((*v)[2])};
    Call(object, "Add_Vertex", xyz);
  }
  Call(object, "Add_Poligon", Variant(VertexBase + 1), Variant(VertexBase + 2),
       Variant(VertexBase + 3));
  VertexBase += 3;
  SmoothCount += 1;
}

CImp_POV::Vector CImp_POV::ReadVector(std::string_view piece) const {
  piece = Trim(piece);
  size_t gt = piece.find('>');
  if (gt == std::string_view::npos) return {0, 0, 0};
  std::string_view inside = Trim(piece.substr(0, gt));
  std::array<std::string_view, 3> parts;
  size_t count = 0;  // components seen
  for (std::string_view text = inside;;) {
    size_t comma = text.find(',');
    if (count < parts.size()) parts[count] = text.substr(0, comma);
    ++count;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (count != 3) return {0, 0, 0};
  Vector v{};
  for (size_t k = 0; k < 3; ++k) {
    double value = 0;
    if (!ParseNumber(parts[k], value))
      Fail(err::kTypeMismatch,
           Quote(Trim(parts[k])) + " in the vector <" + std::string(inside) + "> is not a number");
    if (std::fabs(value) > FLT_MAX)
      Fail(err::kOverflow, Quote(Trim(parts[k])) + " in the vector <" + std::string(inside) +
                               "> is too large for a coordinate");
    v[k] = static_cast<float>(value);
  }
  return v;
}

void CImp_POV::ChangeDepth(int32_t delta) {
  // Clamped so that no file, however many braces it holds, can overflow the count.
  if (delta > 0 && BraceDepth < std::numeric_limits<int32_t>::max()) ++BraceDepth;
  if (delta < 0 && BraceDepth > std::numeric_limits<int32_t>::min()) --BraceDepth;
}

void CImp_POV::Fail(int32_t number, const std::string& what) const {
  throw ComError(
      number,
      what + " (line " + std::to_string(state_.file->LineNumber()) + " of " + fileLabel_ + ")",
      std::string(kSource));
}

}  // namespace ks::readers
