#pragma once
// Builds 3DS files byte by byte for the reader's tests: a chunk is an id, a
// little-endian payload and child chunks; its length is computed unless a
// test forces a wrong one.
#include <array>
#include <bit>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

namespace ks::test3ds {

using Bytes = std::vector<uint8_t>;

class Chunk {
 public:
  explicit Chunk(uint16_t id) : id_(id) {}

  Chunk& U8(uint8_t v) {
    payload_.push_back(v);
    return *this;
  }
  Chunk& U16(uint16_t v) { return U8(v & 0xFF).U8(v >> 8); }
  Chunk& I16(int16_t v) { return U16(static_cast<uint16_t>(v)); }
  Chunk& I32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    return U16(u & 0xFFFF).U16(u >> 16);
  }
  Chunk& F32(float v) { return I32(std::bit_cast<int32_t>(v)); }
  // Text bytes as given (Windows-1252), then the terminating zero.
  Chunk& Str(std::string_view text) {
    for (char c : text) U8(static_cast<uint8_t>(c));
    return U8(0);
  }
  Chunk& Raw(const Bytes& bytes) {
    payload_.insert(payload_.end(), bytes.begin(), bytes.end());
    return *this;
  }
  Chunk& Add(const Chunk& child) { return Raw(child.Build()); }
  // Writes this length into the header instead of the true one.
  Chunk& ForceLength(int32_t length) {
    forcedLength_ = length;
    return *this;
  }

  Bytes Build() const {
    Chunk header(0);
    header.U16(id_).I32(forcedLength_ ? *forcedLength_ : static_cast<int32_t>(payload_.size() + 6));
    Bytes out = header.payload_;
    out.insert(out.end(), payload_.begin(), payload_.end());
    return out;
  }

 private:
  uint16_t id_;
  Bytes payload_;
  std::optional<int32_t> forcedLength_;
};

// ---- Common chunks ----

inline Chunk Color24(uint8_t r, uint8_t g, uint8_t b) {
  return Chunk(0x0011).U8(r).U8(g).U8(b);
}
inline Chunk LinColor24(uint8_t r, uint8_t g, uint8_t b) {
  return Chunk(0x0012).U8(r).U8(g).U8(b);
}
inline Chunk ColorFloat(float r, float g, float b) {
  return Chunk(0x0010).F32(r).F32(g).F32(b);
}
inline Chunk IntPercent(int16_t n) {
  return Chunk(0x0030).I16(n);
}
inline Chunk FloatPercent(float v) {
  return Chunk(0x0031).F32(v);
}

inline Chunk Vertices(std::initializer_list<std::array<float, 3>> points) {
  Chunk c(0x4110);
  c.U16(static_cast<uint16_t>(points.size()));
  for (const auto& p : points) c.F32(p[0]).F32(p[1]).F32(p[2]);
  return c;
}

// The face list alone; children (face materials, smoothing) are added after it.
inline Chunk Faces(std::initializer_list<std::array<uint16_t, 3>> faces) {
  Chunk c(0x4120);
  c.U16(static_cast<uint16_t>(faces.size()));
  for (const auto& f : faces) c.U16(f[0]).U16(f[1]).U16(f[2]).U16(0x0007);
  return c;
}

inline Chunk FaceMaterial(std::string_view name, std::initializer_list<uint16_t> faces) {
  Chunk c(0x4130);
  c.Str(name).U16(static_cast<uint16_t>(faces.size()));
  for (uint16_t f : faces) c.U16(f);
  return c;
}

inline Chunk Matrix(float tx, float ty, float tz) {
  Chunk c(0x4160);
  for (float v : {1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f}) c.F32(v);
  return c.F32(tx).F32(ty).F32(tz);
}

inline Chunk NamedObject(std::string_view name) {
  return Chunk(0x4000).Str(name);
}
inline Chunk MaterialName(std::string_view name) {
  return Chunk(0xA000).Str(name);
}

// A whole file: main chunk, version 3, then the given top-level chunks.
inline Bytes File(std::initializer_list<Chunk> topLevel, int32_t version = 3) {
  Chunk main(0x4D4D);
  main.Add(Chunk(0x0002).I32(version));
  for (const auto& c : topLevel) main.Add(c);
  return main.Build();
}

// A file whose editor chunk holds the given chunks.
inline Bytes EditorFile(std::initializer_list<Chunk> editorChildren) {
  Chunk editor(0x3D3D);
  editor.Add(Chunk(0x3D3E).I32(3));
  for (const auto& c : editorChildren) editor.Add(c);
  return File({editor});
}

}  // namespace ks::test3ds
