// Pictures of small scenes rendered without a display: what a person sees is
// checked by regions and colours (object against background, selection tint,
// smoothing, wireframe, the four views), never pixel for pixel.
#include "app/render/headless_renderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "host/ks_material.h"
#include "host/ks_scene.h"

namespace kestrel::render {
namespace {

constexpr int kW = 320, kH = 240;
constexpr int kGizmoCorner = 100;  // the axis gizmo's square, lower left

// An axis-aligned box centred at the origin.
ks::KsObjectRef Box(float sx, float sy, float sz) {
  auto box = std::make_shared<ks::CKsObject>();
  std::vector<float> xyz;
  for (int i = 0; i < 8; ++i)
    xyz.insert(xyz.end(), {(i & 1 ? sx : -sx) / 2, (i & 2 ? sy : -sy) / 2, (i & 4 ? sz : -sz) / 2});
  box->AddVertices(xyz);
  box->AddTriangles(std::vector<int32_t>{0, 1, 3, 0, 3, 2, 4, 6, 7, 4, 7, 5, 0, 4, 5, 0, 5, 1,
                                         2, 3, 7, 2, 7, 6, 0, 2, 6, 0, 6, 4, 1, 5, 7, 1, 7, 3});
  return box;
}

// The side of an upright cylinder in `sections` flat facets.
ks::KsObjectRef Tube(int sections) {
  auto tube = std::make_shared<ks::CKsObject>();
  std::vector<float> xyz;
  std::vector<int32_t> triangles;
  for (int i = 0; i < sections; ++i) {
    double a = 2 * std::numbers::pi * i / sections;
    float x = static_cast<float>(std::cos(a)), z = static_cast<float>(std::sin(a));
    xyz.insert(xyz.end(), {x, -1, z, x, 1, z});
    int32_t b = 2 * i, n = 2 * ((i + 1) % sections);
    triangles.insert(triangles.end(), {b, n, n + 1, b, n + 1, b + 1});
  }
  tube->AddVertices(xyz);
  tube->AddTriangles(triangles);
  return tube;
}

ks::KsSceneRef SceneOf(std::initializer_list<ks::KsObjectRef> objects) {
  auto scene = std::make_shared<ks::CKsScene>();
  for (const auto& o : objects) scene->ObjectList()->AddObject(o);
  return scene;
}

// The default object colour is blue; the background and grid are grey.
bool IsBluish(QRgb c) {
  return qBlue(c) - qRed(c) > 40;
}
bool IsReddish(QRgb c) {
  return qRed(c) - qBlue(c) > 40;
}
bool InGizmo(int x, int y, const QImage& img) {
  return x < kGizmoCorner && y >= img.height() - kGizmoCorner;
}
int Luminance(QRgb c) {
  return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000;
}

// Bounding rectangle of the pixels that pass `is`, outside the gizmo.
template <class Pred>
QRect Region(const QImage& img, Pred is) {
  QRect r;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (!InGizmo(x, y, img) && is(img.pixel(x, y))) r |= QRect(x, y, 1, 1);
  return r;
}

double Distance(QRgb c, const float (&rgb)[3]) {
  return std::hypot(qRed(c) - rgb[0] * 255, qGreen(c) - rgb[1] * 255, qBlue(c) - rgb[2] * 255);
}

class HeadlessRendererTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef KS_SKIP_OPENGL_TESTS
    GTEST_SKIP() << "OpenGL pictures are not tested in this build";
#endif
    renderer_ = std::make_unique<HeadlessRenderer>();
  }
  QImage Render(ks::CKsScene& scene, ViewPreset view = ViewPreset::Iso, bool wire = false,
                std::string selected = {}) {
    PictureRequest request{kW, kH, view, wire, std::move(selected)};
    return renderer_->Render(scene, request);
  }
  std::unique_ptr<HeadlessRenderer> renderer_;
};

TEST_F(HeadlessRendererTest, ObjectFillsTheMiddleInItsColourOnTheBackground) {
  auto scene = SceneOf({Box(2, 2, 2)});
  QImage img = Render(*scene);
  ASSERT_EQ(img.size(), QSize(kW, kH));
  EXPECT_TRUE(IsBluish(img.pixel(kW / 2, kH / 2)));
  EXPECT_LT(Distance(img.pixel(kW - 2, 1), Palette::kBackground), 12);
  // Framed: the object is large yet touches no border.
  QRect box = Region(img, IsBluish);
  EXPECT_GT(box.width() * box.height(), kW * kH / 6);
  EXPECT_TRUE(QRect(1, 1, kW - 2, kH - 2).contains(box)) << box.x() << "," << box.y();

  // A bound material's colour wins over DefaultColor.
  auto red = std::make_shared<ks::CKsMaterial>();
  red->SetColor(0x0000FF);
  scene->ObjectList()->Objects()[0]->SetMaterial(red);
  QImage redImg = Render(*scene);
  EXPECT_TRUE(IsReddish(redImg.pixel(kW / 2, kH / 2)));

  // An empty scene shows background (and the grid) without failing.
  auto empty = SceneOf({});
  QImage none = Render(*empty);
  EXPECT_TRUE(Region(none, IsBluish).isEmpty());
}

TEST_F(HeadlessRendererTest, SelectedObjectTurnsTowardsTheSelectionColour) {
  auto left = Box(1, 1, 1), right = Box(1, 1, 1);
  left->SetPosition({-1, 0, 0});
  right->SetPosition({1, 0, 0});
  auto scene = SceneOf({left, right});
  QImage plain = Render(*scene, ViewPreset::Front);
  QImage chosen = Render(*scene, ViewPreset::Front, false, right->Key());
  const QPoint leftMiddle(kW / 2 - kW / 8, kH / 2), rightMiddle(kW / 2 + kW / 8, kH / 2);
  EXPECT_LT(Distance(chosen.pixel(rightMiddle), Palette::kSelection) + 40,
            Distance(plain.pixel(rightMiddle), Palette::kSelection));
  EXPECT_EQ(chosen.pixel(leftMiddle), plain.pixel(leftMiddle));
}

// A unit square in the xy plane, facing the front view, in n x n cells.
ks::KsObjectRef Sheet(int n) {
  auto sheet = std::make_shared<ks::CKsObject>();
  std::vector<float> xyz;
  std::vector<int32_t> triangles;
  for (int i = 0; i <= n; ++i)
    for (int j = 0; j <= n; ++j)
      xyz.insert(xyz.end(), {float(j) / float(n) - 0.5f, float(i) / float(n) - 0.5f, 0});
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j) {
      const int32_t a = i * (n + 1) + j, b = a + 1, c = a + n + 1, d = c + 1;
      triangles.insert(triangles.end(), {a, b, d, a, d, c});
    }
  sheet->AddVertices(xyz);
  sheet->AddTriangles(triangles);
  return sheet;
}

// The outline is a rim a few pixels wide around what is seen of the selected
// object, on an opaque and on a transparent background, for a small mesh and
// for one of 180,000 triangles (outlined on screen rather than by drawing it
// again); farther out and on the other object the picture is as without a
// selection, and the rim never covers the selected object itself.
TEST_F(HeadlessRendererTest, SelectedObjectGetsARimOfTheSelectionColour) {
  for (int cells : {1, 300}) {
    auto left = Box(1, 1, 1), right = Sheet(cells);
    left->SetPosition({-1, 0, 0});
    right->SetPosition({1, 0, 0});
    auto scene = SceneOf({left, right});
    for (bool transparent : {false, true}) {
      SCOPED_TRACE(testing::Message()
                   << cells << " cells, " << (transparent ? "transparent" : "opaque"));
      PictureRequest request{kW, kH, ViewPreset::Front, false, {}, transparent};
      const QImage plain = renderer_->Render(*scene, request);
      request.selectedKey = right->Key();
      const QImage chosen = renderer_->Render(*scene, request);
      // The sheet: the bluish pixels of the right half of the plain picture.
      QRect box;
      for (int y = 0; y < kH; ++y)
        for (int x = kW / 2; x < kW; ++x)
          if (IsBluish(plain.pixel(x, y))) box |= QRect(x, y, 1, 1);
      ASSERT_FALSE(box.isEmpty());
      const int midY = box.center().y(), midX = box.center().x();
      // Just outside each side, a pixel of the rim's own colour, opaque.
      const std::pair<QPoint, const char*> outward[] = {
          {{1, 0}, "right"}, {{-1, 0}, "left"}, {{0, -1}, "top"}, {{0, 1}, "bottom"}};
      for (const auto& [step, side] : outward) {
        SCOPED_TRACE(side);
        const QPoint edge(step.x() > 0   ? box.right()
                          : step.x() < 0 ? box.left()
                                         : midX,
                          step.y() > 0   ? box.bottom()
                          : step.y() < 0 ? box.top()
                                         : midY);
        double nearest = 1e9;
        int alpha = 0;
        for (int k = 1; k <= 3; ++k) {
          const QRgb c = chosen.pixel(edge + step * k);
          if (Distance(c, Palette::kSelection) < nearest)
            nearest = Distance(c, Palette::kSelection), alpha = qAlpha(c);
        }
        EXPECT_LT(nearest, 20);
        EXPECT_EQ(alpha, 255);
      }
      for (const QPoint far : {QPoint(box.right() + 8, midY), QPoint(midX, box.top() - 8)})
        EXPECT_EQ(chosen.pixel(far), plain.pixel(far));
      // Inside the sheet and on the box: shaded, not the rim's flat colour.
      for (int x = box.left() + 2; x <= box.right() - 2; ++x)
        EXPECT_GT(Distance(chosen.pixel(x, midY), Palette::kSelection), 20) << x;
      EXPECT_EQ(chosen.pixel(kW / 2 - kW / 8, midY), plain.pixel(kW / 2 - kW / 8, midY));
    }
  }
}

TEST_F(HeadlessRendererTest, HostNormalsShadeFacetsOrSmoothSurfaces) {
  // The largest brightness step between neighbours across the middle of the
  // tube, away from its outline.
  auto largestStep = [&](ks::CKsScene& scene) {
    QImage img = Render(scene, ViewPreset::Front);
    QRect box = Region(img, IsBluish);
    int step = 0;
    for (int x = box.left() + box.width() / 5; x < box.right() - box.width() / 5; ++x) {
      QRgb a = img.pixel(x - 1, kH / 2), b = img.pixel(x, kH / 2);
      if (IsBluish(a) && IsBluish(b)) step = std::max(step, std::abs(Luminance(a) - Luminance(b)));
    }
    return step;
  };
  auto faceted = Tube(10);
  auto smooth = Tube(10);
  smooth->SmoothNormalsAdaptive(60);
  int facetStep = largestStep(*SceneOf({faceted}));
  int smoothStep = largestStep(*SceneOf({smooth}));
  EXPECT_GE(facetStep, 10);
  EXPECT_LT(smoothStep * 2, facetStep) << "faceted " << facetStep << ", smoothed " << smoothStep;
}

TEST_F(HeadlessRendererTest, WireframeDrawsDarkEdgesOverTheSurfaces) {
  auto scene = SceneOf({Tube(24)});
  auto darkInObject = [&](const QImage& img) {
    QRect box = Region(img, IsBluish);
    int dark = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
      for (int x = box.left(); x <= box.right(); ++x)
        if (Luminance(img.pixel(x, y)) < 35) ++dark;
    return dark;
  };
  int without = darkInObject(Render(*scene, ViewPreset::Iso, false));
  int with = darkInObject(Render(*scene, ViewPreset::Iso, true));
  EXPECT_GT(with, without + 200) << without << " -> " << with;
}

TEST_F(HeadlessRendererTest, EachViewShowsItsOwnSidesOfTheObject) {
  // 1 wide (x), 4 high (y), 3 deep (z): each view sees a different outline.
  auto scene = SceneOf({Box(1, 4, 3)});
  auto ratio = [&](ViewPreset view) {
    QRect r = Region(Render(*scene, view), IsBluish);
    return static_cast<double>(r.height()) / r.width();
  };
  EXPECT_NEAR(ratio(ViewPreset::Front), 4.0, 0.5);     // x across, y up
  EXPECT_NEAR(ratio(ViewPreset::Side), 4.0 / 3, 0.2);  // z across, y up
  EXPECT_NEAR(ratio(ViewPreset::Top), 3.0, 0.4);       // x across, z up the picture
  EXPECT_GT(std::abs(ratio(ViewPreset::Iso) - 4.0), 0.5);
}

TEST_F(HeadlessRendererTest, PictureSizeOutsideTheLimitsIsRefused) {
  auto scene = SceneOf({Box(1, 1, 1)});
  for (QSize size : {QSize(0, 10), QSize(10, 9000)}) {
    PictureRequest request{size.width(), size.height(), ViewPreset::Iso, false, {}, false};
    EXPECT_THROW(renderer_->Render(*scene, request), std::runtime_error);
  }
  EXPECT_EQ(Render(*scene).size(), QSize(kW, kH));  // still usable afterwards
}

}  // namespace
}  // namespace kestrel::render
