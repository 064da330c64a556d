#include "app/render/scene_renderer.h"

#include <QVector4D>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <utility>

#include "app/render/gl_api.h"
#include "app/render/gl_program.h"
#include "app/render/outline_pass.h"
#include "host/ks_color.h"
#include "host/ks_material.h"

namespace kestrel::render {
namespace {

constexpr const char* kMeshVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aNormal;
uniform mat4 uView;
uniform mat4 uProjection;
out vec3 vNormal;
out vec3 vViewPosition;
void main() {
  vec4 p = uView * vec4(aPosition, 1.0);
  vViewPosition = p.xyz;
  vNormal = mat3(uView) * aNormal;
  gl_Position = uProjection * p;
}
)";

// The outline of small selected objects: the object pushed out this far on
// screen, away from its centre as seen on screen (a face turned to the viewer
// is outlined too), in one colour, drawn beneath it. A program of its own, so
// that the shading of every vertex does not pay for it.
constexpr const char* kHullVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
uniform mat4 uViewProjection;
uniform float uOutlinePixels;
uniform vec4 uCenterClip;  // the object's centre, projected
uniform vec2 uViewportPixels;
void main() {
  gl_Position = uViewProjection * vec4(aPosition, 1.0);
  vec2 away = (gl_Position.xy / gl_Position.w - uCenterClip.xy / uCenterClip.w) * uViewportPixels;
  if (length(away) > 1e-6)
    gl_Position.xy += normalize(away) * uOutlinePixels * 2.0 / uViewportPixels * gl_Position.w;
}
)";

constexpr const char* kHullFragmentShader = R"(#version 330 core
uniform vec3 uColor;
out vec4 fragColor;
void main() { fragColor = vec4(uColor, 1.0); }
)";

// Two lights fixed to the viewer; surfaces are lit from whichever side faces
// the viewer, since imported meshes do not agree on their winding.
constexpr const char* kMeshFragmentShader = R"(#version 330 core
in vec3 vNormal;
in vec3 vViewPosition;
uniform vec3 uColor;
uniform bool uUnlit;
uniform vec3 uGlow;  // selection: a rim of this colour where the surface turns away
uniform float uMask;  // 1 for selected objects: the outline goes around them
layout(location = 0) out vec4 fragColor;
layout(location = 1) out float fragMask;
void main() {
  fragMask = uMask;
  if (uUnlit) { fragColor = vec4(uColor, 1.0); return; }
  vec3 n = length(vNormal) > 1e-6 ? normalize(vNormal)
                                  : normalize(cross(dFdx(vViewPosition), dFdy(vViewPosition)));
  vec3 v = normalize(-vViewPosition);
  if (dot(n, v) < 0.0) n = -n;
  vec3 key = normalize(vec3(-0.45, 0.6, 0.65));
  vec3 fill = normalize(vec3(0.6, -0.25, 0.45));
  float diffuse = 0.75 * max(dot(n, key), 0.0) + 0.3 * max(dot(n, fill), 0.0);
  float specular = 0.22 * pow(max(dot(n, normalize(key + v)), 0.0), 40.0);
  float rim = pow(1.0 - max(dot(n, v), 0.0), 2.0);
  fragColor = vec4(uColor * (0.2 + diffuse) + vec3(specular) + uGlow * rim, 1.0);
}
)";

constexpr const char* kLineVertexShader = R"(#version 330 core
layout(location = 0) in vec3 aPosition;
layout(location = 1) in vec3 aColor;
uniform mat4 uTransform;
out vec3 vColor;
void main() {
  vColor = aColor;
  gl_Position = uTransform * vec4(aPosition, 1.0);
}
)";

constexpr const char* kLineFragmentShader = R"(#version 330 core
in vec3 vColor;
out vec4 fragColor;
void main() { fragColor = vec4(vColor, 1.0); }
)";

constexpr int kGizmoPixels = 90;
constexpr float kSelectionTint = 0.3f;
constexpr float kSelectionGlow = 0.9f;
constexpr int kOutlinePixels = 3;
// Selected objects drawn with at most this many triangles in all are
// outlined by a hull (two more draws of them); more, by the outline pass on
// screen, whose cost does not grow with the meshes. Frames drawn while the
// view moves show coarse forms, not outlined.
constexpr int64_t kHullOutlineTriangles = 2 * static_cast<int64_t>(kCoarseTriangles);

// Attributes 0 and 1 of the bound vertex array: x, y, z then three more
// floats (a normal or a colour) per vertex.
void SetVertexLayout() {
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float), nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float),
                        reinterpret_cast<void*>(3 * sizeof(float)));
}

void SetMatrix(GLuint program, const char* name, const QMatrix4x4& m) {
  glUniformMatrix4fv(glGetUniformLocation(program, name), 1, GL_FALSE, m.constData());
}

// A step of 1, 2 or 5 times a power of ten giving about `lines` grid lines.
float NiceStep(float extent, int lines) {
  float raw = extent / static_cast<float>(lines);
  float power = std::pow(10.f, std::floor(std::log10(raw)));
  for (float f : {1.f, 2.f, 5.f})
    if (f * power >= raw) return f * power;
  return 10 * power;
}

struct GpuMesh {
  std::string key;
  GLuint vao = 0, vbo = 0, ebo = 0;
  GLsizei corners = 0;
  GLuint coarseVao = 0, coarseEbo = 0;  // the coarse form over the same vertices, if any
  GLsizei coarseCorners = 0;
  QVector3D color;
  bool visible = true;
  QVector3D min, max;  // bounds, placed at the object's position
  bool empty = true;
  std::shared_ptr<const PreparedMesh> form;  // what the buffers hold (or are to hold)
  size_t bytes = 0;                          // of the vertices and both sets of triangles
  size_t uploaded = 0;                       // of those bytes, on the GPU so far
  bool ready = false;                        // every byte on the GPU: drawn

  bool Drawn() const { return visible && ready && corners > 0; }
};

ViewSphere SphereOf(QVector3D min, QVector3D max) {
  return {(min + max) / 2, std::max((max - min).length() / 2, 1e-3f)};
}

}  // namespace

QVector3D ObjectColor(const ks::CKsObject& object) {
  int32_t c = object.Material() ? object.Material()->Color() : object.DefaultColor();
  return QVector3D(static_cast<float>(ks::RedOf(c)), static_cast<float>(ks::GreenOf(c)),
                   static_cast<float>(ks::BlueOf(c))) /
         255.f;
}

struct SceneRenderer::Impl {
  GLuint meshProgram = 0, hullProgram = 0, lineProgram = 0;
  OutlinePass outline;
  GLuint lineVao = 0, lineVbo = 0;
  std::vector<GpuMesh> meshes;

  void DrawLines(const std::vector<float>& xyzRgb, const QMatrix4x4& transform) {
    if (xyzRgb.empty()) return;
    glUseProgram(lineProgram);
    SetMatrix(lineProgram, "uTransform", transform);
    glBindVertexArray(lineVao);
    glBindBuffer(GL_ARRAY_BUFFER, lineVbo);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(xyzRgb.size() * sizeof(float)),
                 xyzRgb.data(), GL_STREAM_DRAW);
    glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(xyzRgb.size() / 6));
  }

  void DrawGrid(const Camera& camera, float aspect, const ViewSphere& sphere, float groundY) {
    float extent = sphere.radius * 3;
    float step = NiceStep(extent, 12);
    int half = static_cast<int>(std::ceil(extent / step));
    float cx = std::round(sphere.center.x() / step) * step;
    float cz = std::round(sphere.center.z() / step) * step;
    float reach = static_cast<float>(half) * step;
    std::vector<float> lines;
    auto add = [&](float x0, float z0, float x1, float z1, const float* rgb) {
      lines.insert(lines.end(), {x0, groundY, z0, rgb[0], rgb[1], rgb[2]});
      lines.insert(lines.end(), {x1, groundY, z1, rgb[0], rgb[1], rgb[2]});
    };
    for (int i = -half; i <= half; ++i) {
      float o = static_cast<float>(i) * step;
      add(cx + o, cz - reach, cx + o, cz + reach, Palette::kGrid);
      add(cx - reach, cz + o, cx + reach, cz + o, Palette::kGrid);
    }
    DrawLines(lines, camera.ProjectionMatrix(aspect) * camera.ViewMatrix());
  }

  void DrawGizmo(const Camera& camera, const RenderSettings& s) {
    int size = std::min({kGizmoPixels, s.width / 3, s.height / 3});
    if (size < 16) return;
    glViewport(4, 4, size, size);
    glDisable(GL_DEPTH_TEST);
    QMatrix4x4 projection;
    projection.ortho(-1.3f, 1.3f, -1.3f, 1.3f, -2, 2);
    const std::vector<float> axes{0, 0, 0, 0.9f, 0.25f, 0.25f, 1, 0, 0, 0.9f, 0.25f, 0.25f,
                                  0, 0, 0, 0.3f, 0.85f, 0.3f,  0, 1, 0, 0.3f, 0.85f, 0.3f,
                                  0, 0, 0, 0.3f, 0.5f,  1.0f,  0, 0, 1, 0.3f, 0.5f,  1.0f};
    DrawLines(axes, projection * camera.RotationMatrix());
    glEnable(GL_DEPTH_TEST);
    glViewport(0, 0, s.width, s.height);
  }

  // Sphere around the visible objects (visibleOnly) or all of them; the unit
  // sphere when there is nothing.
  ViewSphere Sphere(bool visibleOnly) const {
    QVector3D lo(INFINITY, INFINITY, INFINITY), hi(-INFINITY, -INFINITY, -INFINITY);
    bool any = false;
    for (const GpuMesh& m : meshes) {
      if ((visibleOnly && !m.visible) || m.empty) continue;
      lo = QVector3D(std::min(lo.x(), m.min.x()), std::min(lo.y(), m.min.y()),
                     std::min(lo.z(), m.min.z()));
      hi = QVector3D(std::max(hi.x(), m.max.x()), std::max(hi.y(), m.max.y()),
                     std::max(hi.z(), m.max.z()));
      any = true;
    }
    return any ? SphereOf(lo, hi) : ViewSphere{};
  }

  // A vertex array over the vertex buffer `vbo` and a new triangle buffer,
  // whose name goes to `ebo`.
  static GLuint VertexArray(GLuint vbo, GLuint& ebo) {
    GLuint vao = 0;
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &ebo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ebo);
    SetVertexLayout();
    return vao;
  }

  // The GPU buffers' names and vertex arrays for a form; UploadStep gives
  // them their storage and fills them.
  static GpuMesh Allocate(std::shared_ptr<const PreparedMesh> form) {
    const IndexedMesh& built = form->mesh;
    GpuMesh mesh;
    mesh.corners = static_cast<GLsizei>(built.indices.size());
    const size_t vertexBytes = built.vertices.size() * sizeof(float);
    const size_t indexBytes = built.indices.size() * sizeof(uint32_t);
    const size_t coarseBytes = form->coarseIndices.size() * sizeof(uint32_t);
    glGenBuffers(1, &mesh.vbo);
    mesh.vao = VertexArray(mesh.vbo, mesh.ebo);
    if (coarseBytes > 0) {
      mesh.coarseCorners = static_cast<GLsizei>(form->coarseIndices.size());
      mesh.coarseVao = VertexArray(mesh.vbo, mesh.coarseEbo);
    }
    glBindVertexArray(0);
    mesh.empty = built.empty;
    mesh.min = QVector3D(built.min[0], built.min[1], built.min[2]);
    mesh.max = QVector3D(built.max[0], built.max[1], built.max[2]);
    mesh.bytes = vertexBytes + indexBytes + coarseBytes;
    mesh.form = std::move(form);
    return mesh;
  }

  void FreeMeshes() {
    for (GpuMesh& m : meshes) {
      glDeleteBuffers(1, &m.vbo);
      glDeleteBuffers(1, &m.ebo);
      glDeleteVertexArrays(1, &m.vao);
      if (m.coarseVao) {
        glDeleteBuffers(1, &m.coarseEbo);
        glDeleteVertexArrays(1, &m.coarseVao);
      }
    }
    meshes.clear();
  }
};

SceneRenderer::SceneRenderer() : impl_(std::make_unique<Impl>()) {}
SceneRenderer::~SceneRenderer() = default;

void SceneRenderer::Initialize() {
  impl_->meshProgram = LinkProgram(kMeshVertexShader, kMeshFragmentShader);
  impl_->hullProgram = LinkProgram(kHullVertexShader, kHullFragmentShader);
  impl_->outline.Initialize();
  impl_->lineProgram = LinkProgram(kLineVertexShader, kLineFragmentShader);
  glGenVertexArrays(1, &impl_->lineVao);
  glGenBuffers(1, &impl_->lineVbo);
  glBindVertexArray(impl_->lineVao);
  glBindBuffer(GL_ARRAY_BUFFER, impl_->lineVbo);
  SetVertexLayout();
  glBindVertexArray(0);
}

void SceneRenderer::Upload(ks::CKsScene& scene) {
  Upload(scene, {});
}

void SceneRenderer::Upload(ks::CKsScene& scene, const PreparedLookup& prepared) {
  BeginUpload(scene, prepared);
  UploadStep(SIZE_MAX);
  // Forms made here for this upload alone are not kept.
  if (!prepared)
    for (GpuMesh& m : impl_->meshes) m.form.reset();
}

void SceneRenderer::BeginUpload(ks::CKsScene& scene, const PreparedLookup& prepared) {
  std::vector<GpuMesh> old = std::move(impl_->meshes);
  impl_->meshes.clear();
  for (const ks::KsObjectRef& object : scene.ObjectList()->Objects()) {
    std::shared_ptr<const PreparedMesh> form;
    if (prepared) {
      form = prepared(*object);
      if (!form) continue;
    } else {
      form = std::make_shared<const PreparedMesh>(PrepareMesh(*object));
    }
    // An object whose form is on the GPU already (or on its way) keeps it.
    auto kept = std::find_if(old.begin(), old.end(),
                             [&form](const GpuMesh& m) { return m.vao && m.form == form; });
    GpuMesh mesh;
    if (kept != old.end()) {
      mesh = std::move(*kept);
      *kept = GpuMesh{};
    } else {
      mesh = impl_->Allocate(std::move(form));
    }
    mesh.key = object->Key();
    mesh.color = ObjectColor(*object);
    mesh.visible = object->Visible();
    impl_->meshes.push_back(std::move(mesh));
  }
  std::swap(old, impl_->meshes);
  impl_->FreeMeshes();
  impl_->meshes = std::move(old);
  glBindVertexArray(0);
}

bool SceneRenderer::UploadStep(size_t bytes) {
  for (GpuMesh& m : impl_->meshes) {
    if (m.ready) continue;
    const PreparedMesh& form = *m.form;
    // The vertices, then the triangles, then the coarse triangles, as one
    // run of bytes of which m.uploaded are on the GPU.
    const std::pair<GLuint, std::span<const std::byte>> parts[] = {
        {m.vbo, std::as_bytes(std::span(form.mesh.vertices))},
        {m.ebo, std::as_bytes(std::span(form.mesh.indices))},
        {m.coarseEbo, std::as_bytes(std::span(form.coarseIndices))}};
    size_t start = 0;
    for (const auto& [buffer, data] : parts) {
      const size_t end = start + data.size();
      if (m.uploaded < end && bytes > 0) {
        const size_t from = m.uploaded - start;
        const size_t n = std::min(bytes, data.size() - from);
        glBindBuffer(GL_COPY_WRITE_BUFFER, buffer);
        // A buffer gets its storage with its first slice: the allocations
        // are spread over the slices too.
        if (from == 0)
          glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(data.size()),
                       n == data.size() ? data.data() : nullptr, GL_STATIC_DRAW);
        if (from > 0 || n < data.size())
          glBufferSubData(GL_COPY_WRITE_BUFFER, static_cast<GLintptr>(from),
                          static_cast<GLsizeiptr>(n), data.data() + from);
        m.uploaded += n;
        bytes -= n;
      }
      start = end;
    }
    if (m.uploaded < start) return false;
    m.ready = true;
  }
  glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
  return true;
}

double SceneRenderer::UploadedShare() const {
  size_t done = 0, total = 0;
  for (const GpuMesh& m : impl_->meshes)
    if (!m.ready) {
      done += m.uploaded;
      total += m.bytes;
    }
  return total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
}

void SceneRenderer::Render(const Camera& camera, const RenderSettings& s, unsigned framebuffer) {
  Impl& d = *impl_;
  auto selected = [&s](const GpuMesh& m) {
    return (!s.selectedKey.empty() && m.key == s.selectedKey) ||
           std::find(s.selectedKeys.begin(), s.selectedKeys.end(), m.key) != s.selectedKeys.end();
  };
  // While the view moves, big meshes are drawn in their coarse form.
  auto drawnCorners = [&s](const GpuMesh& m) {
    return s.coarse && m.coarseVao ? m.coarseCorners : m.corners;
  };
  // Selected objects drawn coarse while the view moves show their tint
  // alone: an outline would cost as much as the coarse form again, and the
  // full-detail frame that follows the move brings it back.
  auto outlinedMesh = [&](const GpuMesh& m) {
    return m.Drawn() && selected(m) && drawnCorners(m) == m.corners;
  };
  int64_t selectedTriangles = 0;
  bool anySelected = false;
  for (const GpuMesh& m : d.meshes)
    if (outlinedMesh(m)) {
      anySelected = true;
      selectedTriangles += m.corners / 3;
    }
  // Big selections are outlined on screen: the scene goes through the outline
  // pass's framebuffer, which marks their pixels; small ones by hulls.
  const bool outlined = anySelected && selectedTriangles > kHullOutlineTriangles;
  const bool hulls = anySelected && !outlined;
  if (outlined)
    d.outline.Begin(framebuffer, s.width, s.height);
  else
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glViewport(0, 0, s.width, s.height);
  if (s.transparent)
    glClearColor(0, 0, 0, 0);
  else
    glClearColor(Palette::kBackground[0], Palette::kBackground[1], Palette::kBackground[2], 1);
  glClearDepth(1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDisable(GL_CULL_FACE);
  const float aspect = static_cast<float>(s.width) / static_cast<float>(std::max(s.height, 1));
  const QMatrix4x4 view = camera.ViewMatrix();
  const QMatrix4x4 projection = camera.ProjectionMatrix(aspect);
  // The ground stays where the scene is, whatever is hidden: hiding the last
  // visible object must not shrink the grid to a dot.
  const ViewSphere sphere = d.Sphere(false);

  glUseProgram(d.meshProgram);
  SetMatrix(d.meshProgram, "uView", view);
  SetMatrix(d.meshProgram, "uProjection", projection);
  const GLint colorAt = glGetUniformLocation(d.meshProgram, "uColor");
  const GLint unlitAt = glGetUniformLocation(d.meshProgram, "uUnlit");
  const GLint glowAt = glGetUniformLocation(d.meshProgram, "uGlow");
  const GLint maskAt = glGetUniformLocation(d.meshProgram, "uMask");
  const QVector3D selection(Palette::kSelection[0], Palette::kSelection[1], Palette::kSelection[2]);
  // Surfaces sit a little behind the wire drawn over them.
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(1, 1);
  float groundY = INFINITY;
  for (const GpuMesh& m : d.meshes)
    if (!m.empty && m.corners > 0) groundY = std::min(groundY, m.min.y());
  auto draw = [&](const GpuMesh& m) {
    glBindVertexArray(drawnCorners(m) == m.corners ? m.vao : m.coarseVao);
    glDrawElements(GL_TRIANGLES, drawnCorners(m), GL_UNSIGNED_INT, nullptr);
  };
  auto drawShaded = [&](bool selectedOnes) {
    for (const GpuMesh& m : d.meshes) {
      if (!m.Drawn() || selected(m) != selectedOnes) continue;
      QVector3D color = m.color, glow;
      if (selectedOnes) {
        color = color * (1 - kSelectionTint) + selection * kSelectionTint;
        glow = selection * kSelectionGlow;
      }
      glUniform3f(colorAt, color.x(), color.y(), color.z());
      glUniform3f(glowAt, glow.x(), glow.y(), glow.z());
      glUniform1f(maskAt, outlinedMesh(m) ? 1.f : 0.f);
      draw(m);
    }
  };
  glUniform1i(unlitAt, 0);
  if (outlined) d.outline.MaskWrites(true);
  drawShaded(false);
  // Hulls: after the other objects, each selected mesh pushed out a few
  // pixels on screen in the selection colour, without depth writes, then the
  // objects themselves over it, which leaves a rim around their outline
  // (hidden where something nearer covers it).
  if (hulls) {
    const GLuint hull = d.hullProgram;
    glUseProgram(hull);
    const QMatrix4x4 viewProjection = projection * view;
    SetMatrix(hull, "uViewProjection", viewProjection);
    glUniform1f(glGetUniformLocation(hull, "uOutlinePixels"), kOutlinePixels);
    glUniform2f(glGetUniformLocation(hull, "uViewportPixels"), float(s.width),
                float(std::max(s.height, 1)));
    glUniform3f(glGetUniformLocation(hull, "uColor"), selection.x(), selection.y(), selection.z());
    const GLint centerAt = glGetUniformLocation(hull, "uCenterClip");
    glDepthMask(GL_FALSE);
    for (const GpuMesh& m : d.meshes) {
      if (!outlinedMesh(m)) continue;
      const QVector4D c = viewProjection * QVector4D((m.min + m.max) / 2, 1);
      glUniform4f(centerAt, c.x(), c.y(), c.z(), c.w());
      draw(m);
    }
    glDepthMask(GL_TRUE);
    glUseProgram(d.meshProgram);
  }
  drawShaded(true);
  if (outlined) d.outline.MaskWrites(false);
  glDisable(GL_POLYGON_OFFSET_FILL);
  if (s.wireframe) {
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glUniform1i(unlitAt, 1);
    glUniform3f(colorAt, Palette::kWire[0], Palette::kWire[1], Palette::kWire[2]);
    for (const GpuMesh& m : d.meshes)
      if (m.Drawn()) draw(m);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  }
  if (s.grid) d.DrawGrid(camera, aspect, sphere, std::isfinite(groundY) ? groundY : 0);
  if (s.gizmo) d.DrawGizmo(camera, s);
  if (outlined)
    d.outline.Finish({Palette::kSelection[0], Palette::kSelection[1], Palette::kSelection[2]},
                     kOutlinePixels);
  glBindVertexArray(0);
  glUseProgram(0);
}

void SceneRenderer::Release() {
  impl_->FreeMeshes();
  glDeleteBuffers(1, &impl_->lineVbo);
  glDeleteVertexArrays(1, &impl_->lineVao);
  glDeleteProgram(impl_->meshProgram);
  glDeleteProgram(impl_->hullProgram);
  impl_->outline.Release();
  glDeleteProgram(impl_->lineProgram);
  impl_->lineVbo = impl_->lineVao = impl_->meshProgram = impl_->hullProgram = impl_->lineProgram =
      0;
}

ViewSphere SceneRenderer::SceneSphere() const {
  return impl_->Sphere(true);
}

void SceneRenderer::UpdateVisibility(ks::CKsScene& scene) {
  for (const ks::KsObjectRef& object : scene.ObjectList()->Objects())
    for (GpuMesh& m : impl_->meshes)
      if (m.key == object->Key()) m.visible = object->Visible();
}

ViewSphere SceneRenderer::ObjectSphere(const std::string& key) const {
  for (const GpuMesh& m : impl_->meshes)
    if (m.key == key && !m.empty) return SphereOf(m.min, m.max);
  return SceneSphere();
}

int64_t SceneRenderer::TriangleCount() const {
  int64_t n = 0;
  for (const GpuMesh& m : impl_->meshes) n += m.corners / 3;
  return n;
}

}  // namespace kestrel::render
