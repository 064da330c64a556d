#include "readers/imp_3ds.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "host/collection.h"
#include "host/com_error.h"
#include "host/dispatch.h"
#include "host/ks_color.h"
#include "host/large_memory.h"
#include "host/runtime.h"
#include "readers/ansi_text.h"
#include "readers/host_material.h"
#include "readers/input_bytes.h"
#include "readers/mod_const_3ds.h"

namespace ks::readers {

namespace c3ds = modConst3DS;

namespace {

constexpr std::string_view kSource = "KsImport.CImp_3DS";

std::string Hex(uint16_t id) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", id);
  return text;
}

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

// Single x 255 as a byte: rounded half to even; outside 0..255 overflows.
uint8_t ColorFloatToByte(float value) {
  const float scaled = value * 255.0f;
  const double rounded = RoundHalfEven(scaled);
  if (!(rounded >= 0 && rounded <= 255))
    throw ComError(err::kOverflow,
                   "Overflow: the colour value " + Number(value) + " gives " + Number(scaled) +
                       ", outside 0 to 255",
                   std::string(kSource));
  return static_cast<uint8_t>(rounded);
}

int32_t Rgb(const std::array<uint8_t, 3>& c) {
  return ks::Rgb(c[0], c[1], c[2]);
}

std::string_view MainLabel(uint16_t id) {
  switch (id) {
    case c3ds::KEYFRAMER:
      return "KEYFRAMER";
    case c3ds::EDITOR:
      return "EDITOR";
    default:
      return "UNKNOWN CHUNK";
  }
}

std::string_view EditorLabel(uint16_t id) {
  switch (id) {
    case c3ds::MESH_VERSION:
      return "MESH_VERSION";
    case c3ds::MATERIAL:
      return "MATERIAL DEF";
    case c3ds::NAMED_OBJECT:
      return "OBJECT NAME";
    default:
      return "UNKNOWN CHUNK";
  }
}

std::string_view MaterialLabel(uint16_t id) {
  switch (id) {
    case c3ds::MAT_NAME:
      return "MATERIAL NAME";
    case c3ds::MAT_AMBIENT:
      return "MAT AMBIENT";
    case c3ds::MAT_DIFFUSE:
      return "MAT DIFFUSE";
    case c3ds::MAT_SPECULAR:
      return "MAT SPECULAR";
    case c3ds::MAT_SHININESS:
      return "MAT SHINESS";
    case c3ds::MAT_SHIN2PCT:
      return "MAT SPECULAR";
    case c3ds::MAT_SHIN3PCT:
      return "MAT SPECULAR";
    case c3ds::MAT_TRANSPARENCY:
      return "MAT TRANSPARENCY";
    default:
      return "UNKNOWN CHUNK";
  }
}

std::string_view ObjectLabel(uint16_t id) {
  switch (id) {
    case c3ds::N_TRI_OBJECT:
      return "ADD OBJECT";
    case c3ds::OBJ_HIDDEN:
      return "OBJECT HIDDEN";
    default:
      return "UNKNOWN CHUNK";
  }
}

std::string_view MeshLabel(uint16_t id) {
  switch (id) {
    case c3ds::OBJ_HIDDEN:
      return "OBJECT HIDDEN";
    case c3ds::POINT_ARRAY:
      return "OBJECT VERTICES";
    case c3ds::POINT_FLAG_ARRAY:
      return "OBJECT FACE FLAGS (2)";
    case c3ds::FACE_ARRAY:
      return "OBJECT FACES (1)";
    case c3ds::MESH_MATRIX:
      return "OBJECT MATRIX";
    case c3ds::MESH_COLOR:
      return "OBJECT COLOR";
    default:
      return "UNKNOWN CHUNK";
  }
}

std::string_view FaceLabel(uint16_t id) {
  switch (id) {
    case c3ds::MSH_MAT_GROUP:
      return "FACE MATERIAL";
    case c3ds::SMOOTH_GROUP:
      return "TRI SMOOTH";
    default:
      return "UNKNOWN CHUNK";
  }
}

// Raises error 62 when count records of recordSize bytes do not fit in what
// is left of the chunk.
void RequireRecords(const BinaryCursor& c, size_t count, size_t recordSize, const char* what) {
  const size_t needed = count * recordSize;
  if (needed > c.Remaining())
    throw ComError(err::kInputPastEnd,
                   "The " + std::string(what) + " count " + std::to_string(count) + " needs " +
                       std::to_string(needed) + " bytes at offset " + std::to_string(c.Offset()) +
                       ", but the chunk holds only " + std::to_string(c.Remaining()),
                   std::string(kSource));
}

}  // namespace

// ---- Load ----

void CImp_3DS::Load(const std::string& fileName, CollectionRef& colObject3D) {
  CollectionRef materials;
  Load(fileName, colObject3D, materials);
}

void CImp_3DS::Load(const std::string& fileName, CollectionRef& colObject3D,
                    CollectionRef& colMaterial3D) {
  ContextText_ = "LOAD3DS...";
  colObject3D = std::make_shared<Collection>();
  colMaterial3D = std::make_shared<Collection>();
  objects_ = colObject3D;
  materials_ = colMaterial3D;
  ObjectName_.clear();
  Position_ = {0, 0, 0};

  std::optional<ComError> error;
  try {
    InputBytes bytes = state_.source.Open(fileName);
    BinaryCursor cursor(bytes.Bytes());
    cursor_ = &cursor;
    input_ = &bytes;
    std::string failure;
    if (!ReadFile(failure)) error.emplace(kErrorNumber, failure, std::string(kSource));
  } catch (const std::exception& e) {
    const ComError runtime = AsComError(e, kSource);
    error.emplace(runtime.number(), "(" + ContextText_ + ") " + runtime.description(),
                  runtime.source());
  }
  // The file's bytes are gone with the scope above: the file is closed.
  cursor_ = nullptr;
  input_ = nullptr;
  objects_.reset();
  materials_.reset();
  if (error) {
    colObject3D.reset();
    throw *error;
  }
}

bool CImp_3DS::ReadFile(std::string& failure) {
  BinaryCursor& c = *cursor_;
  ChunkHeader h = ReadChunkHeader();
  if (Stopped()) return true;
  if (h.Id != c3ds::MAIN3DS) {
    failure = "File type wrong!";
    return false;
  }

  // Bytes after a main chunk that lies inside the file and that are no chunk
  // (padding, leftovers of a file overwritten in place) end the reading.
  const size_t trailingFrom =
      h.Length >= c3ds::kChunkHeaderSize && h.End() <= c.Size() ? h.End() : SIZE_MAX;

  ContextText_ = "MAIN3DS";
  h = ReadChunkHeader();
  if (Stopped()) return true;
  int32_t version = 3;
  if (h.Id == c3ds::VERSION) {
    BeginChunk(h, "VERSION");
    BinaryCursor::LimitScope scope(c, h.End());
    version = c.ReadInt32();
    c.Seek(h.End());
  } else {
    c.Seek(h.start);  // no version chunk: the main walker reads this chunk
  }
  if (version < 3) {
    failure = std::string("Sorry can only read 3ds files of version ") +
              "3.0 and higher. The version of the file " +
              "you want to read is : " + std::to_string(version);
    return false;
  }

  ContextText_ = "MAIN CHUNK";
  if (!MainWalker(trailingFrom)) {
    failure = ContextText_;
    return false;
  }
  return true;
}

void CImp_3DS::Get_Position(float& x, float& y, float& z) {
  x = Position_[0];
  y = Position_[1];
  z = Position_[2];
}

// ---- Chunk headers and walking ----

// Each header gives the person a turn, in which the run may be stopped:
// callers read nothing past a header once Stopped(), so that a stopped run
// ends quietly instead of failing on bytes it was told to leave.
CImp_3DS::ChunkHeader CImp_3DS::ReadChunkHeader() {
  BinaryCursor& c = *cursor_;
  c.Require(c3ds::kChunkHeaderSize, "a chunk header");
  ChunkHeader h;
  h.start = c.Offset();
  h.Id = c.ReadUInt16();
  h.Length = c.ReadInt32();
  input_->ReleaseBefore(h.start);
  if (state_.ui) {
    const double position = static_cast<double>(c.Offset()) + 1;  // 1 is the first byte
    if (state_.ui->ProgressMax() >= position) state_.ui->SetProgress(static_cast<float>(position));
    state_.ui->DoEvents();
  }
  return h;
}

void CImp_3DS::BeginChunk(const ChunkHeader& h, std::string_view label) {
  ContextText_ = label;
  const BinaryCursor& c = *cursor_;
  const std::string chunk = "The chunk " + Hex(h.Id) + " at offset " + std::to_string(h.start);
  if (h.Length < c3ds::kChunkHeaderSize)
    throw ComError(err::kBadRecordLength,
                   chunk + " gives its length as " + std::to_string(h.Length) +
                       ", less than its own 6-byte header",
                   std::string(kSource));
  if (h.End() > c.Limit()) {
    const bool fileEnd = std::string_view(c.LimitName()) == "file";
    throw ComError(err::kInputPastEnd,
                   chunk + " is " + std::to_string(h.Length) + " bytes long and reaches past the " +
                       (fileEnd ? "end of the file" : "end of its parent chunk") + " at offset " +
                       std::to_string(c.Limit()),
                   std::string(kSource));
  }
}

template <class Step>
bool CImp_3DS::Trap(std::string_view prefix, Step&& step) {
  try {
    return step();
  } catch (const std::exception& e) {
    ContextText_ = std::string(prefix) + AsComError(e, kSource).description();
  }
  return false;
}

template <class Step>
bool CImp_3DS::TrapWrapped(Step&& step) {
  try {
    return step();
  } catch (const std::exception& e) {
    ContextText_ = "(" + ContextText_ + ") " + AsComError(e, kSource).description();
  }
  return false;
}

bool CImp_3DS::ChunkAhead() const {
  BinaryCursor& c = *cursor_;
  if (c.Remaining() < static_cast<size_t>(c3ds::kChunkHeaderSize)) return false;
  const size_t offset = c.Offset();
  c.ReadUInt16();
  const int32_t length = c.ReadInt32();
  c.Seek(offset);
  return length >= c3ds::kChunkHeaderSize && static_cast<size_t>(length) <= c.Limit() - offset;
}

template <class Labels, class Handler>
bool CImp_3DS::WalkChunks(size_t bound, std::string_view label, Labels&& labelOf,
                          Handler&& childHandler, size_t trailingFrom) {
  BinaryCursor& c = *cursor_;
  const size_t start = c.Offset();
  bool result = true;
  const bool completed = TrapWrapped([&] {
    BinaryCursor::LimitScope scope(c, start + bound, c.LimitName());
    while (!c.AtEndOfFile() && c.Offset() - start < bound && result && !Stopped()) {
      if (c.Offset() >= trailingFrom && !ChunkAhead()) break;
      ContextText_ = label;
      const ChunkHeader h = ReadChunkHeader();
      if (Stopped()) break;  // the chunk is left unread
      BeginChunk(h, labelOf(h.Id));
      BinaryCursor::LimitScope child(c, h.End());
      result = childHandler(h);
      if (result) c.Seek(h.End());  // whatever the handler left unread is stepped over
    }
    return true;
  });
  if (!completed) return false;
  if (c.Offset() > start + bound) c.Seek(start + bound);
  return result;
}

bool CImp_3DS::MainWalker(size_t trailingFrom) {
  const size_t start = cursor_->Offset();
  return WalkChunks(
      cursor_->Size() - start, "MAIN CHUNK", MainLabel,
      [&](const ChunkHeader& h) {
        if (h.Id == c3ds::EDITOR) return EditorWalker(h.End() - h.PayloadStart());
        return true;  // key-frame data and unknown chunks are stepped over
      },
      trailingFrom);
}

bool CImp_3DS::EditorWalker(size_t bound) {
  return WalkChunks(bound, "EDITOR", EditorLabel, [&](const ChunkHeader& h) {
    switch (h.Id) {
      case c3ds::MATERIAL:
        return MaterialWalker(h.End() - h.PayloadStart());
      case c3ds::NAMED_OBJECT: {
        if (!ReadCString(ObjectName_)) {
          ContextText_ = "(OBJECT NAME) " + ContextText_;
          return false;
        }
        ContextText_ = "OBJECT DEF";
        return ObjectWalker(h.End() - cursor_->Offset());
      }
      default:
        return true;  // the mesh version is not used
    }
  });
}

bool CImp_3DS::MaterialWalker(size_t bound) {
  return WalkChunks(bound, "MATERIAL DEF", MaterialLabel, [&](const ChunkHeader& h) {
    switch (h.Id) {
      case c3ds::MAT_NAME: {
        std::string name;
        if (!ReadCString(name)) {
          ContextText_ = "(MATERIAL NAME) " + ContextText_;
          return false;
        }
        return AddMaterial(name);
      }
      case c3ds::MAT_AMBIENT:
      case c3ds::MAT_DIFFUSE:
      case c3ds::MAT_SPECULAR: {
        const std::string_view label = MaterialLabel(h.Id);
        if (!ReadColorChunk()) {
          ContextText_ = "(" + std::string(label) + ") " + ContextText_;
          return false;
        }
        if (Stopped()) return true;
        ContextText_ = label;
        const char* property = h.Id == c3ds::MAT_AMBIENT   ? "AmbientColor"
                               : h.Id == c3ds::MAT_DIFFUSE ? "Color"
                                                           : "SpecularColor";
        Put(CurrentMaterial(), property, Variant(Rgb(ColorBytes_)));
        return true;
      }
      case c3ds::MAT_SHININESS:
      case c3ds::MAT_SHIN2PCT:
      case c3ds::MAT_SHIN3PCT:
      case c3ds::MAT_TRANSPARENCY: {
        const std::string_view label = MaterialLabel(h.Id);
        if (!ReadPercentChunk()) {
          ContextText_ = "(" + std::string(label) + ") " + ContextText_;
          return false;
        }
        if (Stopped()) return true;
        ContextText_ = label;
        if (h.Id == c3ds::MAT_SHININESS)
          Put(CurrentMaterial(), "Smoothness", Variant(Percent_));
        else if (h.Id == c3ds::MAT_TRANSPARENCY)
          Put(CurrentMaterial(), "OpacityValue", Variant(1.0f - Percent_));
        else
          Put(CurrentMaterial(), "SpecCoeff", Variant(Percent_));
        return true;
      }
      default:
        return true;
    }
  });
}

bool CImp_3DS::ObjectWalker(size_t bound) {
  // The hidden flag sits beside the trimesh, before or after it; it belongs to
  // the object that this block creates.
  bool createdObject = false;
  std::optional<bool> blockVisible;
  return WalkChunks(bound, "OBJECT DEF", ObjectLabel, [&](const ChunkHeader& h) {
    switch (h.Id) {
      case c3ds::N_TRI_OBJECT: {
        if (!AddObject()) return false;
        createdObject = true;
        if (blockVisible) {
          ContextText_ = "OBJECT HIDDEN";
          Put(CurrentObject(), "Visible", Variant(*blockVisible));
        }
        ContextText_ = "OBJECT TRIMESH";
        return MeshWalker(h.End() - h.PayloadStart());
      }
      case c3ds::OBJ_HIDDEN: {
        bool visible = true;
        if (!ReadHiddenFlag(h, visible)) {
          ContextText_ = "(OBJECT HIDDEN) " + ContextText_;
          return false;
        }
        blockVisible = visible;
        if (createdObject) {
          ContextText_ = "OBJECT HIDDEN";
          Put(CurrentObject(), "Visible", Variant(visible));
        }
        return true;
      }
      default:
        return true;  // lights, cameras and the rest
    }
  });
}

bool CImp_3DS::MeshWalker(size_t bound) {
  return WalkChunks(bound, "OBJECT TRIMESH", MeshLabel, [&](const ChunkHeader& h) {
    switch (h.Id) {
      case c3ds::OBJ_HIDDEN: {
        bool visible = true;
        if (!ReadHiddenFlag(h, visible)) {
          ContextText_ = "(OBJECT HIDDEN) " + ContextText_;
          return false;
        }
        ContextText_ = "OBJECT HIDDEN";
        Put(CurrentObject(), "Visible", Variant(visible));
        return true;
      }
      case c3ds::POINT_ARRAY:
        return ReadVertexList();
      case c3ds::POINT_FLAG_ARRAY:
        return ReadPointFlags();
      case c3ds::MESH_MATRIX:
        return ReadObjectMatrix();
      case c3ds::FACE_ARRAY:
        return FaceWalker(h.End() - h.PayloadStart());
      default:
        return true;  // the object colour byte is not used
    }
  });
}

bool CImp_3DS::FaceWalker(size_t bound) {
  const size_t end = cursor_->Offset() + bound;
  if (!ReadFaceList()) return false;
  return WalkChunks(end - cursor_->Offset(), "OBJECT FACES (1)", FaceLabel,
                    [&](const ChunkHeader& h) {
                      if (h.Id != c3ds::MSH_MAT_GROUP) return true;  // smoothing groups too
                      std::string name;
                      if (!ReadCString(name)) {
                        ContextText_ = "(FACE MATERIAL) " + ContextText_;
                        return false;
                      }
                      ContextText_ = "FACE MATERIAL";
                      Put(CurrentObject(), "MaterialKey", Variant(name));
                      // The faces of the group are not kept: the object takes
                      // the material of its last group.
                      const int16_t count = cursor_->ReadInt16();
                      if (count > 0) {
                        RequireRecords(*cursor_, static_cast<size_t>(count), 2, "face");
                        cursor_->Skip(2 * static_cast<size_t>(count));
                      }
                      return true;
                    });
}

// ---- Payload readers ----

bool CImp_3DS::ReadCString(std::string& text) {
  return Trap("", [&] {
    text = AnsiToUtf8(cursor_->ReadCString());
    ContextText_.clear();
    return true;
  });
}

bool CImp_3DS::ReadHiddenFlag(const ChunkHeader& h, bool& visible) {
  return Trap("", [&] {
    // Without a flag byte the chunk itself says the object is hidden.
    visible = h.Length > c3ds::kChunkHeaderSize ? cursor_->ReadByte() != 0 : false;
    ContextText_.clear();
    return true;
  });
}

bool CImp_3DS::ReadColorChunk() {
  return TrapWrapped([&] {
    BinaryCursor& c = *cursor_;
    const ChunkHeader h = ReadChunkHeader();
    if (Stopped()) return true;
    if (h.Id == c3ds::COLOR_24) {
      BeginChunk(h, "BYTE COLOR CHUNK");
      BinaryCursor::LimitScope scope(c, h.End());
      for (uint8_t& b : ColorBytes_) b = c.ReadByte();
    } else if (h.Id == c3ds::COLOR_FLOAT) {
      BeginChunk(h, "SINGLE COLOR CHUNK");
      BinaryCursor::LimitScope scope(c, h.End());
      for (float& f : ColorFloats_) f = c.ReadFloat32();
      for (size_t i = 0; i < 3; ++i) ColorBytes_[i] = ColorFloatToByte(ColorFloats_[i]);
    } else {
      ContextText_ = "(BYTE COLOR CHUNK) The chunk " + Hex(h.Id) + " at offset " +
                     std::to_string(h.start) + " is not a colour";
      return false;
    }
    c.Seek(h.End());

    // A gamma-corrected colour may follow; it replaces the one just read.
    if (c.Remaining() >= static_cast<size_t>(c3ds::kChunkHeaderSize)) {
      const ChunkHeader next = ReadChunkHeader();
      if (next.Id == c3ds::LIN_COLOR_24 && !Stopped()) {
        BeginChunk(next, "BYTE COLOR CHUNK");
        BinaryCursor::LimitScope scope(c, next.End());
        for (uint8_t& b : ColorBytes_) b = c.ReadByte();
        c.Seek(next.End());
      } else {
        c.Seek(next.start);
      }
    }
    ContextText_.clear();
    return true;
  });
}

bool CImp_3DS::ReadPercentChunk() {
  return TrapWrapped([&] {
    BinaryCursor& c = *cursor_;
    const ChunkHeader h = ReadChunkHeader();
    if (Stopped()) return true;
    if (h.Id == c3ds::INT_PERCENTAGE) {
      BeginChunk(h, "INT PERCENTAGE CHUNK");
      BinaryCursor::LimitScope scope(c, h.End());
      Percent_ = static_cast<float>(c.ReadInt16() / 100.0);
    } else if (h.Id == c3ds::FLOAT_PERCENTAGE) {
      BeginChunk(h, "FLOAT PERCENTAGE CHUNK");
      BinaryCursor::LimitScope scope(c, h.End());
      Percent_ = c.ReadFloat32();
    } else {
      ContextText_ = "(PERCENTAGE CHUNK) The chunk " + Hex(h.Id) + " at offset " +
                     std::to_string(h.start) + " is not a percentage";
      return false;
    }
    c.Seek(h.End());
    ContextText_.clear();
    return true;
  });
}

bool CImp_3DS::ReadVertexList() {
  return Trap("(VERTICES) ", [&] {
    BinaryCursor& c = *cursor_;
    const size_t n = c.ReadUInt16();
    if (n > 0) {
      RequireRecords(c, n, 12, "vertex");
      const uint8_t* p = c.Take(12 * n, "the vertices").data();
      // File y becomes z and file z becomes y.
      std::vector<float> xyz = ArrayOfRecords<3, float>(n, [p](size_t i, float* out) {
        const uint8_t* const v = p + 12 * i;
        out[0] = LeFloat32(v);
        out[1] = LeFloat32(v + 8);
        out[2] = LeFloat32(v + 4);
      });
      std::array<Variant, 1> args{Variant(std::move(xyz))};  // moved, not copied
      Call(CurrentObject(), "Add_Vertices", std::span<Variant>(args));
    }
    ContextText_.clear();
    return true;
  });
}

bool CImp_3DS::ReadFaceList() {
  return Trap("(FACE LIST) ", [&] {
    BinaryCursor& c = *cursor_;
    const size_t n = c.ReadUInt16();
    if (n > 0) {
      RequireRecords(c, n, 8, "face");
      const uint8_t* p = c.Take(8 * n, "the faces").data();
      // Reversed, so that together with the y/z swap the outward side stays;
      // the edge flags behind the corners are not used.
      std::vector<int32_t> corners = ArrayOfRecords<3, int32_t>(n, [p](size_t k, int32_t* out) {
        const uint8_t* const f = p + 8 * k;
        out[0] = LeUInt16(f + 4);
        out[1] = LeUInt16(f + 2);
        out[2] = LeUInt16(f);
      });
      std::array<Variant, 2> args{Variant(std::move(corners)), Variant(int16_t{3})};
      Call(CurrentObject(), "Add_Poligons", std::span<Variant>(args));
    }
    ContextText_.clear();
    return true;
  });
}

bool CImp_3DS::ReadObjectMatrix() {
  return Trap("(OBJECT MATRIX) ", [&] {
    std::array<float, 3> row{};
    for (int r = 0; r < 4; ++r)
      for (float& v : row) v = cursor_->ReadFloat32();
    // The last row is the translation; the file's first object places the import.
    if (objects_->Count() == 1) Position_ = {row[0], row[2], row[1]};
    ContextText_.clear();
    return true;
  });
}

bool CImp_3DS::ReadPointFlags() {
  return Trap("(FACE FLAGS LIST) ", [&] {
    cursor_->ReadInt16();  // the count; the flags themselves are stepped over
    ContextText_.clear();
    return true;
  });
}

bool CImp_3DS::AddObject() {
  return Trap("(ADD OBJECT) ", [&] {
    ObjectRef object = state_.runtime.CreateObject("Kestrel.CKsObject");
    if (ObjectName_.empty()) ObjectName_ = "Object";
    Put(object, "Name", Variant(ObjectName_));
    Put(object, "DefaultColor", Variant(kDefaultObjectColor));
    const Variant item(object);
    objects_->Add(item);
    ContextText_.clear();
    return true;
  });
}

bool CImp_3DS::AddMaterial(const std::string& name) {
  return Trap("(ADD MATERIAL) ", [&] {
    ObjectRef material = state_.runtime.CreateObject("Kestrel.CKsMaterial");
    Put(material, "Name", Variant(name.empty() ? std::string("Material") : name));
    Put(material, "MaterialType", Variant(kImportedMaterialType));
    const Variant item(material);
    materials_->Add(item);
    Put(CurrentMaterial(), "SpecCoeff", Variant(kDefaultSpecCoeff));
    ContextText_.clear();
    return true;
  });
}

ObjectRef CImp_3DS::CurrentObject() const {
  if (objects_->Count() == 0)
    throw ComError(err::kObjectRequired, "Object required: no object has been created yet",
                   std::string(kSource));
  return objects_->Item(objects_->Count()).ToObject();
}

ObjectRef CImp_3DS::CurrentMaterial() const {
  if (materials_->Count() == 0)
    throw ComError(err::kObjectRequired,
                   "Object required: no material has been named yet (the material name chunk "
                   "comes first)",
                   std::string(kSource));
  return materials_->Item(materials_->Count()).ToObject();
}

}  // namespace ks::readers
