// Writes the large mesh files that bench/compare times the importers on.
//
//   bench_file_generator KIND SCALE OUT
//
// KIND        at SCALE 1
// obj-tri     grid of 1,000 x 1,000 positions, 2 M triangles (about 80 MB)
// obj-quad    the same grid as 1 M quads (about 60 MB)
// obj-uvn     grid of 600 x 600 positions with "vt" and "vn" lines, 720,000
//             triangles of v/t/n corners (about 60 MB)
// 3ds         184 objects of 32,768 vertices and 64,770 triangles each, one
//             material (about 190 MB; 6 M vertices, 12 M triangles)
// dxf-3dface  500,000 3DFACE entities (about 90 MB)
// dxf-polyface 700 polyface meshes of 20 x 20 vertices (about 60 MB)
// inc-one     one POV-Ray mesh of 500,000 triangles (about 50 MB)
// inc-many    8,000 POV-Ray meshes of 60 triangles each (about 50 MB)
//
// SCALE multiplies the amount of geometry (the file size).
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Buffered output with fast number formatting.
class Out {
 public:
  explicit Out(const char* path) : file_(std::fopen(path, "wb")) {
    if (!file_) {
      std::perror(path);
      std::exit(1);
    }
    buffer_.reserve(kSize + 256);
  }
  ~Out() {
    Flush();
    std::fclose(file_);
  }
  Out& operator<<(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kSize) Flush();
    return *this;
  }
  Out& Num(double value, int decimals = 6) {
    char text[64];
    const auto end =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return *this << std::string_view(text, size_t(end - text));
  }
  Out& Int(int64_t value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return *this << std::string_view(text, size_t(end - text));
  }
  Out& Bytes(const void* data, size_t size) {
    return *this << std::string_view(static_cast<const char*>(data), size);
  }
  template <class T>
  Out& Raw(T value) {  // little-endian machine assumed (x86, ARM)
    return Bytes(&value, sizeof value);
  }

 private:
  void Flush() {
    if (!buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
      std::perror("write");
      std::exit(1);
    }
    buffer_.clear();
  }
  static constexpr size_t kSize = size_t(1) << 20;
  std::FILE* file_;
  std::string buffer_;
};

double Height(int64_t i, int64_t j) {
  return 25.123456 * std::sin(double(i) * 0.01) * std::cos(double(j) * 0.013);
}

void ObjFile(Out& out, double scale, bool quads) {
  const int64_t n = std::max<int64_t>(2, std::llround(1000 * std::sqrt(scale)));
  out << "# grid " << std::to_string(n) << " x " << std::to_string(n) << "\n";
  for (int64_t i = 0; i < n; ++i)
    for (int64_t j = 0; j < n; ++j) {
      out << "v ";
      out.Num(double(i) * 3.4641016 - 1732.0508, 7) << " ";
      out.Num(double(j) * 3.4641016 - 1732.0508, 7) << " ";
      out.Num(Height(i, j), 7) << "\n";
    }
  for (int64_t i = 0; i + 1 < n; ++i)
    for (int64_t j = 0; j + 1 < n; ++j) {
      const int64_t a = i * n + j + 1, b = a + 1, c = a + n, d = c + 1;
      if (quads) {
        out << "f ";
        out.Int(a) << " ";
        out.Int(b) << " ";
        out.Int(d) << " ";
        out.Int(c) << "\n";
      } else {
        out << "f ";
        out.Int(a) << " ";
        out.Int(b) << " ";
        out.Int(c) << "\nf ";
        out.Int(b) << " ";
        out.Int(d) << " ";
        out.Int(c) << "\n";
      }
    }
}

// The grid as exporters write it with texture coordinates and normals: "vt"
// and "vn" lines, and triangles whose corners are v/t/n.
void ObjFileWithUvAndNormals(Out& out, double scale) {
  const int64_t n = std::max<int64_t>(2, std::llround(600 * std::sqrt(scale)));
  out << "# grid " << std::to_string(n) << " x " << std::to_string(n) << " with uv and normals\n";
  for (int64_t i = 0; i < n; ++i)
    for (int64_t j = 0; j < n; ++j) {
      out << "v ";
      out.Num(double(i) * 0.1 - 30, 6) << " ";
      out.Num(double(j) * 0.1 - 30, 6) << " ";
      out.Num(Height(i, j) * 0.1, 6) << "\n";
    }
  for (int64_t i = 0; i < n; ++i)
    for (int64_t j = 0; j < n; ++j) {
      out << "vt ";
      out.Num(double(i) / double(n - 1), 6) << " ";
      out.Num(double(j) / double(n - 1), 6) << "\n";
    }
  for (int64_t i = 0; i < n; ++i)
    for (int64_t j = 0; j < n; ++j) {
      // The height's slopes give the normal (-dh/dx, -dh/dy, 1), made unit.
      const double dx = (Height(i + 1, j) - Height(i - 1, j)) * 0.1 / 0.2;
      const double dy = (Height(i, j + 1) - Height(i, j - 1)) * 0.1 / 0.2;
      const double length = std::sqrt(dx * dx + dy * dy + 1);
      out << "vn ";
      out.Num(-dx / length, 4) << " ";
      out.Num(-dy / length, 4) << " ";
      out.Num(1 / length, 4) << "\n";
    }
  const auto corner = [&out](int64_t k, const char* behind) {
    out.Int(k) << "/";
    out.Int(k) << "/";
    out.Int(k) << behind;
  };
  for (int64_t i = 0; i + 1 < n; ++i)
    for (int64_t j = 0; j + 1 < n; ++j) {
      const int64_t a = i * n + j + 1, b = a + 1, c = a + n, d = c + 1;
      out << "f ";
      corner(a, " ");
      corner(b, " ");
      corner(c, "\nf ");
      corner(b, " ");
      corner(d, " ");
      corner(c, "\n");
    }
}

// ---- 3DS: chunks are built in memory per object, lengths known up front.

void Chunk(std::string& to, uint16_t id, const std::string& payload) {
  const auto length = uint32_t(payload.size() + 6);
  to.append(reinterpret_cast<const char*>(&id), 2);
  to.append(reinterpret_cast<const char*>(&length), 4);
  to += payload;
}
template <class T>
void Put(std::string& to, T value) {
  to.append(reinterpret_cast<const char*>(&value), sizeof value);
}

std::string ThreeDsObject(int index) {
  constexpr int kRows = 128, kCols = 256;
  std::string points;
  Put(points, uint16_t(kRows * kCols));
  for (int i = 0; i < kRows; ++i)
    for (int j = 0; j < kCols; ++j) {
      Put(points, float(j) * 0.5f + float(index % 16) * 130.0f);
      Put(points, float(i) * 0.5f + float(index / 16) * 70.0f);
      Put(points, float(Height(i, j + index)));
    }
  std::string faces;
  const uint16_t count = uint16_t((kRows - 1) * (kCols - 1) * 2);
  Put(faces, count);
  for (int i = 0; i + 1 < kRows; ++i)
    for (int j = 0; j + 1 < kCols; ++j) {
      const auto a = uint16_t(i * kCols + j), b = uint16_t(a + 1), c = uint16_t(a + kCols),
                 d = uint16_t(c + 1);
      for (uint16_t v : {a, b, c, uint16_t(7), b, d, c, uint16_t(7)}) Put(faces, v);
    }
  std::string group = "Matte";
  group += '\0';
  Put(group, count);
  for (uint16_t f = 0; f < count; ++f) Put(group, f);
  Chunk(faces, 0x4130, group);
  std::string matrix;
  for (float v : {1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f, 1.f, 0.f, 0.f, 0.f}) Put(matrix, v);
  std::string mesh;
  Chunk(mesh, 0x4110, points);
  Chunk(mesh, 0x4160, matrix);
  Chunk(mesh, 0x4120, faces);
  std::string named = "Part" + std::to_string(index);
  named += '\0';
  Chunk(named, 0x4100, mesh);
  std::string out;
  Chunk(out, 0x4000, named);
  return out;
}

void ThreeDsFile(Out& out, double scale) {
  const int objects = std::max(1, int(std::lround(184 * scale)));
  std::string material;
  Chunk(material, 0xA000, std::string("Matte") + '\0');
  std::string rgb;
  Chunk(rgb, 0x0011, std::string("\xC0\x80\x40", 3));
  Chunk(material, 0xA020, rgb);
  std::string head;
  std::string version;
  Put(version, int32_t(3));
  Chunk(head, 0x3D3E, version);
  Chunk(head, 0xAFFF, material);
  const std::string first = ThreeDsObject(0);
  // Objects differ only in the length of their names: the lengths are known
  // before writing.
  uint64_t editorLength = 6 + head.size();
  for (int k = 0; k < objects; ++k) editorLength += first.size() - 1 + std::to_string(k).size();
  const uint64_t mainLength = 6 + 10 + editorLength;
  if (mainLength > INT32_MAX) {
    std::fprintf(stderr, "3ds: %d objects do not fit a 3DS file's 2 GB limit\n", objects);
    std::exit(1);
  }
  out.Raw(uint16_t(0x4D4D)).Raw(uint32_t(mainLength));
  out.Raw(uint16_t(0x0002)).Raw(uint32_t(10)).Raw(int32_t(3));
  out.Raw(uint16_t(0x3D3D)).Raw(uint32_t(editorLength));
  out << head;
  for (int k = 0; k < objects; ++k) out << (k == 0 ? first : ThreeDsObject(k));
}

// ---- DXF

void DxfHeader(Out& out) {
  out << "  0\nSECTION\n  2\nHEADER\n  9\n$ACADVER\n  1\nAC1009\n  0\nENDSEC\n"
         "  0\nSECTION\n  2\nENTITIES\n";
}
void DxfFooter(Out& out) {
  out << "  0\nENDSEC\n  0\nEOF\n";
}

void Dxf3dFaces(Out& out, double scale) {
  const int64_t count = std::max<int64_t>(1, std::llround(500000 * scale));
  const int64_t side = std::max<int64_t>(1, std::llround(std::sqrt(double(count))));
  DxfHeader(out);
  for (int64_t k = 0; k < count; ++k) {
    const double x = double(k % side), y = double(k / side);
    const double xs[4] = {x, x + 1, x + 1, x}, ys[4] = {y, y, y + 1, y + 1};
    out << "  0\n3DFACE\n  8\n0\n";
    for (int c = 0; c < 4; ++c) {
      const char digit = char('0' + c);
      out << " 1" << std::string_view(&digit, 1) << "\n";
      out.Num(xs[c] * 2.5 + 0.123456) << "\n 2" << std::string_view(&digit, 1) << "\n";
      out.Num(ys[c] * 2.5 + 0.654321) << "\n 3" << std::string_view(&digit, 1) << "\n";
      out.Num(Height(int64_t(xs[c]), int64_t(ys[c]))) << "\n";
    }
  }
  DxfFooter(out);
}

void DxfPolyface(Out& out, double scale) {
  constexpr int kSide = 20;
  const int64_t meshes = std::max<int64_t>(1, std::llround(700 * scale));
  DxfHeader(out);
  for (int64_t m = 0; m < meshes; ++m) {
    out << "  0\nPOLYLINE\n  8\n0\n 66\n1\n 70\n64\n 71\n";
    out.Int(kSide * kSide) << "\n 72\n";
    out.Int((kSide - 1) * (kSide - 1) * 2) << "\n";
    const double ox = double(m % 30) * 60, oy = double(m / 30) * 60;
    for (int i = 0; i < kSide; ++i)
      for (int j = 0; j < kSide; ++j) {
        out << "  0\nVERTEX\n  8\n0\n 10\n";
        out.Num(ox + j * 2.5) << "\n 20\n";
        out.Num(oy + i * 2.5) << "\n 30\n";
        out.Num(Height(i, j + m)) << "\n 70\n192\n";
      }
    for (int i = 0; i + 1 < kSide; ++i)
      for (int j = 0; j + 1 < kSide; ++j) {
        const int a = i * kSide + j + 1, b = a + 1, c = a + kSide, d = c + 1;
        const int corners[2][3] = {{a, b, c}, {b, d, c}};
        for (const auto& f : corners) {
          out << "  0\nVERTEX\n  8\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n 70\n128\n 71\n";
          out.Int(f[0]) << "\n 72\n";
          out.Int(f[1]) << "\n 73\n";
          out.Int(f[2]) << "\n";
        }
      }
    out << "  0\nSEQEND\n  8\n0\n";
  }
  DxfFooter(out);
}

// ---- POV-Ray include

void PovTriangles(Out& out, int64_t count, int64_t seed) {
  for (int64_t t = 0; t < count; ++t) {
    const double x = double((t + seed) % 1000), y = double((t + seed) / 1000);
    out << "  triangle { <";
    out.Num(x, 4) << ", ";
    out.Num(y, 4) << ", ";
    out.Num(Height(int64_t(x), int64_t(y)), 4) << ">, <";
    out.Num(x + 1, 4) << ", ";
    out.Num(y, 4) << ", ";
    out.Num(Height(int64_t(x) + 1, int64_t(y)), 4) << ">, <";
    out.Num(x, 4) << ", ";
    out.Num(y + 1, 4) << ", ";
    out.Num(Height(int64_t(x), int64_t(y) + 1), 4) << "> }\n";
  }
}

void PovOne(Out& out, double scale) {
  out << "#declare Terrain = mesh {\n";
  PovTriangles(out, std::max<int64_t>(1, std::llround(500000 * scale)), 0);
  out << "}\n";
}

void PovMany(Out& out, double scale) {
  const int64_t meshes = std::max<int64_t>(1, std::llround(8000 * scale));
  for (int64_t m = 0; m < meshes; ++m) {
    out << "#declare Part" << std::to_string(m) << " = mesh {\n";
    PovTriangles(out, 60, m * 60);
    out << "}\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s KIND SCALE OUT\n", argv[0]);
    return 2;
  }
  const std::string_view kind = argv[1];
  const double scale = std::atof(argv[2]);
  Out out(argv[3]);
  if (kind == "obj-tri")
    ObjFile(out, scale, false);
  else if (kind == "obj-quad")
    ObjFile(out, scale, true);
  else if (kind == "obj-uvn")
    ObjFileWithUvAndNormals(out, scale);
  else if (kind == "3ds")
    ThreeDsFile(out, scale);
  else if (kind == "dxf-3dface")
    Dxf3dFaces(out, scale);
  else if (kind == "dxf-polyface")
    DxfPolyface(out, scale);
  else if (kind == "inc-one")
    PovOne(out, scale);
  else if (kind == "inc-many")
    PovMany(out, scale);
  else {
    std::fprintf(stderr, "unknown kind %s\n", argv[1]);
    return 2;
  }
  return 0;
}
