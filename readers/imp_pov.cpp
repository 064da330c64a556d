#include "readers/imp_pov.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>

#include "host/dispatch.h"
#include "host/ks_color.h"
#include "host/large_memory.h"
#include "host/runtime.h"
#include "readers/hand_array.h"
#include "readers/pov_expression.h"
#include "readers/pov_vector.h"
#include "readers/text_helpers.h"
#include "readers/text_input.h"

namespace ks::readers {
namespace {

constexpr std::string_view kSource = "KsImport.CImp_POV";
constexpr size_t kShownTextLimit = 60;  // longest piece of file text quoted in a message
// A statement's text kept beyond this is dropped: its vectors come first, and a
// statement that never closes must not hold the rest of the file.
constexpr size_t kMostStatementText = size_t(1) << 16;

constexpr WarningKind kPovPrimitives{"POV-Ray primitive", "POV-Ray primitives",
                                     "only meshes are imported"};
constexpr WarningKind kPovCsg{"POV-Ray CSG block", "POV-Ray CSG blocks",
                              "only meshes are imported"};
constexpr std::string_view kPrimitiveWords[] = {
    "SPHERE",         "BOX",          "CYLINDER",     "CONE",       "DISC",
    "PLANE",          "TORUS",        "PRISM",        "LATHE",      "SOR",
    "SUPERELLIPSOID", "BLOB",         "HEIGHT_FIELD", "ISOSURFACE", "POLYGON",
    "BICUBIC_PATCH",  "SPHERE_SWEEP", "TEXT",         "QUADRIC",    "POLY"};
constexpr std::string_view kCsgWords[] = {"UNION", "DIFFERENCE", "INTERSECTION", "MERGE"};
constexpr WarningKind kPovUnevaluated{"triangle whose corners cannot be evaluated",
                                      "triangles whose corners cannot be evaluated",
                                      "only numbers, vectors, declared names and + - * / are "
                                      "evaluated"};
constexpr WarningKind kPovDirectives{"directive body that cannot be evaluated",
                                     "directive bodies that cannot be evaluated",
                                     "what they hold is not imported"};

// The directive a word starting with "#" names, in lower case ("#While(" gives "while").
std::string DirectiveOf(std::string_view word) {
  std::string name;
  for (size_t i = 1; i < word.size() && std::isalpha(static_cast<unsigned char>(word[i])); ++i)
    name += static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
  return name;
}

// Directives whose body runs to its "#end".
bool OpensBody(std::string_view directive) {
  return directive == "if" || directive == "ifdef" || directive == "ifndef" ||
         directive == "while" || directive == "for" || directive == "macro" ||
         directive == "switch";
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

// The object name the other readers give a file: its base name, spaces as "_".
std::string ObjectNameOf(const std::string& path) {
  std::string folder = path;
  std::string name;
  try {
    name = SplitFileName(folder);
  } catch (const ComError&) {
    name = BaseName(path);  // a name too short to carry an extension
  }
  if (!name.empty()) ReplaceAll(1, " ", "_", name);
  return name;
}

// The first N pieces of `text` split at every "<"; returns how many there are (up to N).
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

// Makes room for n more values. Small arrays grow as vectors do; once an
// array is large, it grows at once to what the rest of the file is expected
// to need at the density its object has shown so far, so that a large mesh
// is copied once or twice rather than a dozen times.
template <class T>
void MakeRoom(std::vector<T>& values, size_t n, int64_t objectFrom, const ImportState& st) {
  constexpr size_t kLarge = size_t(1) << 16;
  if (values.capacity() - values.size() >= n || values.size() < kLarge) return;
  size_t want = values.capacity() * 2;
  const int64_t seen = st.CharsRead - objectFrom;
  const int64_t length = st.file->Length();
  if (seen > 0 && length > st.CharsRead) {
    const double perChar = static_cast<double>(values.size()) / static_cast<double>(seen);
    want =
        std::max(want / 2 + n,
                 static_cast<size_t>(perChar * static_cast<double>(length - objectFrom) * 1.0625));
  }
  ReserveLarge(values, std::max(want, values.size() + n));
}

// The first word of a line, for telling a new statement from a continued one.
std::string_view FirstWord(std::string_view text) {
  text = TrimSpaces(text);
  size_t end = 0;
  while (end < text.size() && text[end] != ' ' && text[end] != '{' && text[end] != '=') ++end;
  return text.substr(0, end);
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
  skipDepth_ = 0;
  symbols_.clear();
  current_ = nullptr;
  currentIsFileObject_ = false;
  vertices_.clear();
  polygons_.clear();
  normals_.clear();
  statement_ = Statement::None;
  statementText_.clear();
  mesh2_ = PovMesh2();
  fileLabel_ = BaseName(p_FileName);
  fileObjectName_ = ObjectNameOf(p_FileName);
  try {
    if (!state_.file) state_.file = std::make_unique<TextInput>();
    state_.file->Open(p_FileName);
    ReadLines();
    state_.file->Close();
    HandOver();
  } catch (...) {
    state_.CloseFiles();
    // What was read before the error stays with its object.
    try {
      HandOver();
    } catch (const std::exception&) {
    }
    throw;
  }
}

void CImp_POV::ReadLines() {
  const int64_t turnStep = ImportState::TurnStep(state_.file->Length());
  while (!state_.file->AtEnd() && state_.StopImport == 0) {
    std::string_view line = CleanLine(ReadLine(state_));
    if (mesh2_.Active())
      line = ContinueMesh2(line);
    else if (statement_ != Statement::None)
      line = ContinueStatement(line);
    ProcessLine(line);
    state_.TurnIfDue(turnStep, state_.file->AtEnd());
  }
  if (state_.StopImport != 0) return;
  // The file ended inside a statement: it is read as it stands.
  if (statement_ != Statement::None) FinishStatement(statementText_);
  if (mesh2_.Active()) try {
      mesh2_.EndOfFile({vertices_, polygons_, normals_, VertexBase, SmoothCount});
      VertexBase += mesh2_.AddedVertices();
      SmoothCount += mesh2_.AddedTriangles();
    } catch (const ComError& e) {
      Fail(e.number(), e.description());
    }
}

std::string_view CImp_POV::CleanLine(std::string_view raw) {
  const bool slash = std::memchr(raw.data(), '/', raw.size()) != nullptr;
  const bool quote = std::memchr(raw.data(), '"', raw.size()) != nullptr;
  const bool tab = std::memchr(raw.data(), '\t', raw.size()) != nullptr;
  if (!slash && !quote && !tab && !inBlockComment_) return raw;
  lineBuffer_.clear();
  if (slash || quote || inBlockComment_)
    StripComments(raw, lineBuffer_);
  else
    lineBuffer_.assign(raw);
  for (char& c : lineBuffer_)
    if (c == '\t') c = ' ';
  return lineBuffer_;
}

void CImp_POV::StripComments(std::string_view line, std::string& out) {
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
      // A string ends at the next unescaped quote. Its text is no code: it is
      // dropped, and the string counts as an empty one.
      if (c == '\\' && next != '\0') {
        ++i;
      } else if (c == '"') {
        inString = false;
        out += '"';
      }
      continue;
    }
    if (c == '"') {
      inString = true;
      out += '"';
    } else if (c == '/' && next == '/') {
      break;
    } else if (c == '/' && next == '*') {
      inBlockComment_ = true;
      ++i;
    } else {
      out += c;
    }
  }
}

std::string_view CImp_POV::SkipDirectiveBody(std::string_view rest) {
  for (size_t hash = rest.find('#'); hash != std::string_view::npos;
       hash = rest.find('#', hash + 1)) {
    const std::string directive = DirectiveOf(rest.substr(hash));
    if (OpensBody(directive)) {
      ++skipDepth_;
    } else if (directive == "end" && --skipDepth_ == 0) {
      return rest.substr(hash + 4);
    }
  }
  return {};
}

void CImp_POV::ProcessLine(std::string_view rest) {
  while (!rest.empty()) {
    // Inside a body that cannot be evaluated: up to its "#end".
    if (skipDepth_ > 0) {
      rest = SkipDirectiveBody(rest);
      continue;
    }
    // A word is judged at the depth before its own opening brace: "mesh{" at
    // the top level is a top-level mesh, as "mesh {" is.
    int32_t depth = BraceDepth;
    bool braceOpened = false;
    std::string_view word = CutWord(rest, braceOpened);
    bool recognised = true;
    if (word.starts_with('#') && OpensBody(DirectiveOf(word))) {
      state_.warnings.Count(kPovDirectives, "#" + DirectiveOf(word) + " at line " +
                                                std::to_string(state_.file->LineNumber()));
      skipDepth_ = 1;
      continue;
    }
    if (word == "{") {
      ChangeDepth(1);
    } else if (word == "}") {
      ChangeDepth(-1);
    } else if (depth >= 0 && (IsWord(word, "TRIANGLE") || IsWord(word, "SMOOTH_TRIANGLE"))) {
      const Statement kind = word.size() == 8 ? Statement::Triangle : Statement::SmoothTriangle;
      rest = BeginStatement(kind, braceOpened, rest);
    } else if (depth >= 0 && IsWord(word, "MESH2")) {
      NewObject(false, depth == 0);
      rest = BeginMesh2(braceOpened, rest);
    } else if (depth == 0) {
      if (IsWord(word, "#DECLARE") || IsWord(word, "#LOCAL")) {
        ReadDeclaredName(rest);
        // The name reader may give the line a new buffer, which frees the one
        // the word lies in: the word is not looked at again.
        word = {};
      } else if (IsWord(word, "MESH")) {
        NewObject(false, true);
      } else if (IsWord(word, "OBJECT")) {
        NewObject(true, true);
      } else if (!IsWord(word, "SPHERE") && !IsWord(word, "BOX") && !IsWord(word, "CYLINDER") &&
                 !IsWord(word, "DISC") && !IsWord(word, "PLANE")) {
        recognised = false;
      }
    } else if (depth > 0) {
      if (IsWord(word, "MESH")) {
        NewObject(false, false);
      } else if (word == "<") {
        // A vector standing on its own (a transform's argument): passed over.
        size_t gt = rest.find('>');
        rest = gt == std::string_view::npos ? std::string_view() : rest.substr(gt + 1);
      } else if (!IsWord(word, "TRANSLATE") && !IsWord(word, "ROTATE") && !IsWord(word, "SCALE")) {
        recognised = false;
      }
    } else {
      recognised = false;
    }
    if (!recognised || depth == 0) NotePassedOver(word);
    if (recognised)
      WordSeen = true;
    else if (!WordSeen)
      return;  // leading lines of unknown words are dropped whole
  }
}

std::string_view CImp_POV::CutWord(std::string_view& rest, bool& braceOpened) {
  rest = TrimSpaces(rest);
  std::string_view word;
  const size_t space = rest.find(' ');
  const size_t brace = rest.find('{');
  if (rest.size() > 1 && (rest[0] == '{' || rest[0] == '}')) {
    // A brace glued to the word behind it ("{triangle") is a word of its own.
    word = rest.substr(0, 1);
    rest.remove_prefix(1);
  } else if (space != std::string_view::npos && space < brace) {
    word = TrimSpaces(rest.substr(0, space));
    rest.remove_prefix(space + 1);
  } else if (brace != std::string_view::npos) {
    // "mesh{triangle {...": the word ends at its brace.
    word = TrimSpaces(rest.substr(0, brace));
    rest.remove_prefix(brace + 1);
    ChangeDepth(1);
    braceOpened = true;
  } else {
    word = rest;
    rest = {};
  }
  return word;
}

void CImp_POV::ReadDeclaredName(std::string_view& rest) {
  bool braceOpened = false;
  std::string_view name = CutWord(rest, braceOpened);
  size_t equals = name.find('=');
  if (equals == std::string_view::npos) {
    DeclaredName = name;
    RememberValue(DeclaredName, rest);
    return;
  }
  // "#declare Name=mesh {": the name ends at the equals sign and what follows
  // it goes back to the line, with the brace the cutter took.
  DeclaredName = name.substr(0, equals);
  std::string_view after = name.substr(equals + 1);
  if (after.empty()) {
    RememberValue(DeclaredName, "=" + std::string(rest));
    return;
  }
  if (!braceOpened) RememberValue(DeclaredName, "=" + std::string(after) + " " + std::string(rest));
  if (braceOpened) ChangeDepth(-1);
  std::string remaining = std::string(after) + (braceOpened ? "{" : " ") + std::string(rest);
  lineBuffer_ = std::move(remaining);
  rest = lineBuffer_;
}

void CImp_POV::RememberValue(const std::string& name, std::string_view text) {
  // "= value;" up to the semicolon, or to the end of the line.
  text = TrimSpaces(text);
  if (!text.starts_with('=')) return;
  text.remove_prefix(1);
  text = text.substr(0, text.find(';'));
  std::string_view expression = text;
  const auto value = EvaluatePov(expression, symbols_);
  if (value && TrimSpaces(expression).empty())
    symbols_[name] = *value;
  else
    symbols_.erase(name);  // declared anew as something else
}

bool CImp_POV::EvaluateCorners(std::string_view text, std::span<Vector> corners) const {
  // The statement's own brace, then the corners parted by commas.
  text = TrimSpaces(text);
  if (text.starts_with('{')) text.remove_prefix(1);
  for (size_t k = 0; k < corners.size(); ++k) {
    if (k > 0) {
      text = TrimSpaces(text);
      if (!text.starts_with(',')) return false;
      text.remove_prefix(1);
    }
    const auto value = EvaluatePov(text, symbols_);
    if (!value) return false;
    for (size_t i = 0; i < 3; ++i)
      corners[k][i] = static_cast<float>(value->isVector ? value->v[i] : value->v[0]);
  }
  // Modifiers may follow the corners ("texture { T }").
  text = TrimSpaces(text);
  return text.empty() || std::isalpha(static_cast<unsigned char>(text[0])) || text[0] == '}';
}

void CImp_POV::NoteUnevaluated() {
  state_.warnings.Count(kPovUnevaluated, "line " + std::to_string(state_.file->LineNumber()));
}

void CImp_POV::NotePassedOver(std::string_view word) {
  word = word.substr(0, word.find_first_of("{<"));  // "cylinder{<0,0,0>,..." is one word
  if (word.empty() || word.size() > 14 || word[0] == '#' || word[0] == '{' || word[0] == '}')
    return;
  for (std::string_view name : kPrimitiveWords)
    if (IsWord(word, name)) return state_.warnings.Count(kPovPrimitives, word);
  for (std::string_view name : kCsgWords)
    if (IsWord(word, name)) return state_.warnings.Count(kPovCsg, word);
}

void CImp_POV::NewObject(bool asObject, bool topLevel) {
  if (asObject) DeclaredName.clear();
  // An anonymous mesh inside a block adds to the object created before it.
  else if (DeclaredName.empty() && !topLevel)
    return;
  CreateObject(DeclaredName.empty() ? std::string("Object") : DeclaredName);
}

void CImp_POV::CreateObject(const std::string& name) {
  HandOver();
  current_ = nullptr;
  currentIsFileObject_ = false;
  VertexBase = -1;
  SmoothCount = -1;
  ObjectRef object = state_.runtime.CreateObject("Kestrel.CKsObject");
  Put(object, "Name", Variant(name));
  Put(object, "DefaultColor", Variant(kDefaultObjectColor));
  Call(Objects, "Add", Variant(object));
  current_ = std::move(object);
  objectFrom_ = state_.CharsRead;
}

void CImp_POV::NeedObject(bool outsideBlocks) {
  if (current_ && (!outsideBlocks || currentIsFileObject_)) return;
  CreateObject(fileObjectName_);
  currentIsFileObject_ = true;
}

void CImp_POV::HandOver() {
  if (!current_) return;
  if (!vertices_.empty()) HandArray(current_, "Add_Vertices", vertices_);
  if (!polygons_.empty()) HandArray(current_, "Add_Poligons", polygons_);
  if (!normals_.empty()) HandArray(current_, "Set_PoligonNormals", normals_);
}

std::string_view CImp_POV::BeginStatement(Statement kind, bool braceOpened, std::string_view rest) {
  // The statement's own braces are its own, not the block's.
  if (braceOpened) ChangeDepth(-1);
  if (kind == Statement::Triangle && ReadPlainTriangle(braceOpened, rest)) return rest;
  statement_ = kind;
  statementNesting_ = braceOpened ? 1 : 0;
  statementOutside_ = BraceDepth <= 0;
  statementText_.clear();
  return TakeStatementText(rest, true);
}

std::string_view CImp_POV::ContinueStatement(std::string_view rest) {
  // A line that starts a new statement ends one left open: it is read as it stands.
  const std::string_view first = FirstWord(rest);
  if (statementNesting_ <= 1 &&
      (IsWord(first, "TRIANGLE") || IsWord(first, "SMOOTH_TRIANGLE") || IsWord(first, "MESH") ||
       IsWord(first, "MESH2") || IsWord(first, "OBJECT") || IsWord(first, "#DECLARE"))) {
    FinishStatement(statementText_);
    return rest;
  }
  return TakeStatementText(rest, false);
}

std::string_view CImp_POV::TakeStatementText(std::string_view rest, bool firstLine) {
  const char* const begin = rest.data();
  const char* const end = begin + rest.size();
  const char* p = begin;
  for (; p != end; ++p) {
    const char c = *p;
    if (statementNesting_ == 0) {
      if (c == ' ') continue;
      if (c == '{') {
        statementNesting_ = 1;
        continue;
      }
      // No brace: the rest of the line is the whole statement, and is dropped.
      if (!firstLine) {
        statementText_.append(rest);
        FinishStatement(statementText_);
      } else {
        FinishStatement(rest);
      }
      return {};
    }
    if (c == '{') {
      ++statementNesting_;
    } else if (c == '}' && --statementNesting_ == 0) {
      const std::string_view body(begin, static_cast<size_t>(p - begin));
      if (statementText_.empty()) {
        FinishStatement(body);
      } else {
        statementText_.append(body);
        FinishStatement(statementText_);
      }
      return rest.substr(static_cast<size_t>(p - begin) + 1);
    }
  }
  // The statement goes on in the next line; the line end counts as a space.
  if (statementText_.size() < kMostStatementText) {
    statementText_.append(rest);
    statementText_ += ' ';
  }
  return {};
}

void CImp_POV::FinishStatement(std::string_view text) {
  const Statement kind = statement_;
  statement_ = Statement::None;
  NeedObject(statementOutside_);
  if (kind == Statement::Triangle)
    Triangle(text);
  else
    SmoothTriangle(text);
  statementText_.clear();
}

// The form nearly every file uses, "{ <x,y,z>, <x,y,z>, <x,y,z> }" on one
// line, read in one pass; rest is left behind the closing brace. Any other
// form returns false and takes the general way.
bool CImp_POV::ReadPlainTriangle(bool braceOpened, std::string_view& rest) {
  const char* p = rest.data();
  const char* const end = p + rest.size();
  if (!braceOpened) {
    while (p != end && *p == ' ') ++p;
    if (p == end || *p != '{') return false;
    ++p;
  }
  std::array<Vector, 3> corners;
  for (size_t k = 0; k < 3; ++k) {
    if (!ReadPlainVectorAt(p, end, corners[k])) return false;
    while (p != end && *p == ' ') ++p;
    if (k < 2 && p != end && *p == ',') ++p;
  }
  if (p == end || *p != '}') return false;
  statementOutside_ = BraceDepth <= 0;
  NeedObject(statementOutside_);
  AddTriangle(corners[0], corners[1], corners[2]);
  rest = std::string_view(p + 1, static_cast<size_t>(end - p - 1));
  return true;
}

void CImp_POV::Triangle(std::string_view rest) {
  std::array<Vector, 3> corners;
  if (EvaluateCorners(rest, corners)) return AddTriangle(corners[0], corners[1], corners[2]);
  std::array<std::string_view, 4> pieces;
  if (SplitAtLess(rest, pieces) < 4) return NoteUnevaluated();
  // All three corners are read before anything is added, so a bad number
  // leaves no stray vertices behind.
  AddTriangle(ReadVector(pieces[1]), ReadVector(pieces[2]), ReadVector(pieces[3]));
}

void CImp_POV::SmoothTriangle(std::string_view rest) {
  std::array<Vector, 3> corners;
  std::array<Vector, 3> normals;
  std::array<Vector, 6> values;
  std::array<std::string_view, 7> pieces;
  if (EvaluateCorners(rest, values)) {
    for (size_t k = 0; k < 3; ++k) {
      corners[k] = values[2 * k];
      normals[k] = values[2 * k + 1];
    }
  } else if (SplitAtLess(rest, pieces) < 7) {
    return NoteUnevaluated();
  } else {
    for (size_t k = 0; k < 3; ++k) {
      corners[k] = ReadVector(pieces[2 * k + 1]);
      normals[k] = ReadVector(pieces[2 * k + 2]);
    }
  }
  AddTriangle(corners[0], corners[1], corners[2]);
  MakeRoom(normals_, 10, objectFrom_, state_);
  normals_.push_back(static_cast<float>(SmoothCount));
  for (const Vector& n : normals) normals_.insert(normals_.end(), n.begin(), n.end());
}

void CImp_POV::AddTriangle(const Vector& a, const Vector& b, const Vector& c) {
  MakeRoom(vertices_, 9, objectFrom_, state_);
  MakeRoom(polygons_, 4, objectFrom_, state_);
  // One value at a time: the room is there, and a range insert costs a call.
  for (const Vector* v : {&a, &b, &c})
    for (float x : *v) vertices_.push_back(x);
  for (int32_t value : {3, VertexBase + 1, VertexBase + 2, VertexBase + 3})
    polygons_.push_back(value);
  VertexBase += 3;
  SmoothCount += 1;
}

std::string_view CImp_POV::BeginMesh2(bool braceOpened, std::string_view rest) {
  if (braceOpened) ChangeDepth(-1);
  NeedObject(false);
  mesh2_.UseSymbols(&symbols_);
  mesh2_.Begin(braceOpened);
  return ContinueMesh2(rest);
}

std::string_view CImp_POV::ContinueMesh2(std::string_view rest) {
  try {
    rest = mesh2_.Read(rest, {vertices_, polygons_, normals_, VertexBase, SmoothCount});
  } catch (const ComError& e) {
    Fail(e.number(), e.description());
  }
  if (!mesh2_.Active()) {
    VertexBase += mesh2_.AddedVertices();
    SmoothCount += mesh2_.AddedTriangles();
  }
  return rest;
}

CImp_POV::Vector CImp_POV::ReadVector(std::string_view piece) const {
  piece = TrimSpaces(piece);
  size_t gt = piece.find('>');
  if (gt == std::string_view::npos) return {0, 0, 0};
  std::string_view inside = TrimSpaces(piece.substr(0, gt));
  Vector v{};
  std::string_view bad;
  switch (ParseVector(inside, v, bad)) {
    case VectorRead::Ok:
      return v;
    case VectorRead::NotThree:
      return {0, 0, 0};
    case VectorRead::NotANumber:
      Fail(err::kTypeMismatch,
           Quote(bad) + " in the vector <" + std::string(inside) + "> is not a number");
    case VectorRead::TooLarge:
      break;
  }
  Fail(err::kOverflow,
       Quote(bad) + " in the vector <" + std::string(inside) + "> is too large for a coordinate");
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
