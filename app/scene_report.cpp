#include "app/scene_report.h"

#include "app/json_writer.h"
#include "host/ks_color.h"

namespace kestrel {
namespace {

void WriteObject(JsonWriter& json, const ks::CKsObject& o, bool withGeometry) {
  const ks::BoundingBox box = o.Bounds();
  const auto size = box.empty ? std::array<float, 3>{0, 0, 0} : box.Size();
  const auto position = o.Position();
  json.BeginObject();
  json.Key("key").String(o.Key());
  json.Key("name").String(o.Name());
  json.Key("vertices").Int(o.VertexCount());
  json.Key("triangles").Int(o.TriangleCount());
  json.Key("normalTriangles").Int(o.NormalTriangleCount());
  json.Key("color").Int(o.DefaultColor());
  json.Key("materialKey").String(o.MaterialKey());
  json.Key("groupKey").String(o.GroupKey());
  json.Key("visible").Bool(o.Visible());
  json.Key("position").BeginArray();
  for (float p : position) json.Float(p);
  json.EndArray();
  json.Key("size").BeginArray();
  for (float s : size) json.Float(s);
  json.EndArray();
  if (withGeometry) {
    json.Key("vertexData").BeginArray();
    for (float v : o.Vertices()) json.Float(v);
    json.EndArray();
    json.Key("triangleData").BeginArray();
    for (int32_t t : o.Triangles()) json.Int(t);
    json.EndArray();
  }
  json.EndObject();
}

void WriteMaterial(JsonWriter& json, const ks::CKsMaterial& m) {
  json.BeginObject();
  json.Key("name").String(m.Name());
  json.Key("color").Int(m.Color());
  json.Key("ambientColor").Int(m.AmbientColor());
  json.Key("specularColor").Int(m.SpecularColor());
  json.Key("smoothness").Float(m.Smoothness());
  json.Key("opacity").Float(m.Opacity());
  json.Key("specCoeff");
  if (m.SpecCoeffValue().type() == ks::VarType::Single)
    json.Float(m.SpecCoeffValue().ToSingle());
  else
    json.Double(m.SpecCoeff());
  json.Key("materialType").Int(m.MaterialType());
  json.EndObject();
}

}  // namespace

std::string ColorText(int32_t color) {
  const auto c = static_cast<uint32_t>(color);
  return "RGB(" + std::to_string(ks::RedOf(c)) + ", " + std::to_string(ks::GreenOf(c)) + ", " +
         std::to_string(ks::BlueOf(c)) + ")";
}

void WriteSceneSummary(std::ostream& out, const SceneReport& report) {
  for (const auto& o : report.scene.ObjectList()->Objects())
    out << o->Key() << ' ' << JsonQuoted(o->Name()) << ": " << o->VertexCount() << " vertices, "
        << o->TriangleCount() << " triangles, colour " << ColorText(o->DefaultColor()) << '\n';
}

void WriteSceneJson(std::ostream& out, const SceneReport& report) {
  JsonWriter json(out);
  json.BeginObject();
  json.Key("file").String(report.file);
  json.Key("objects").BeginArray();
  for (const auto& o : report.scene.ObjectList()->Objects())
    WriteObject(json, *o, report.withGeometry);
  json.EndArray();
  json.Key("materials").BeginArray();
  for (const auto& m : report.scene.MaterialList()->Materials()) WriteMaterial(json, *m);
  json.EndArray();
  json.Key("selectedObject").Int(report.selectedObject);
  if (report.warnings) {
    json.Key("warnings").BeginArray();
    for (const std::string& w : *report.warnings) json.String(w);
    json.EndArray();
  }
  json.EndObject();
  json.Flush();
  out << '\n';
}

ks::KsSceneRef SceneWithObject(const ks::KsObjectRef& object) {
  auto scene = std::make_shared<ks::CKsScene>();
  scene->ObjectList()->AddObject(object);
  return scene;
}

}  // namespace kestrel
