// The drawing area's background (grid or picture) and the tracing of a path
// from a picture's outline.
#include "host/person.h"
#include "objpath/frm_obj_path.h"
#include "objpath/outline_tracer.h"

namespace ks::objpath {

namespace {

constexpr int32_t kBackgroundGrey = Rgb(192, 192, 192);
constexpr int32_t kGridColour = Rgb(210, 210, 210);
constexpr int kGridStep = 20;
constexpr int16_t kTraceThreshold = 128;

// The image library's ColorToBN into Picture1's persistent image.
void DrawWithImageFX(Runtime& rt, int32_t handle, const std::string& fileName, bool twoTone,
                     int16_t threshold, bool light) {
  ObjectRef fx = rt.CreateObject("KsCommon.ImageFX");
  std::vector<Variant> args{Variant(fileName),
                            Variant(handle),  // device context
                            Variant(handle),  // the persistent image
                            Variant(twoTone),
                            Variant(threshold),
                            Variant(light),
                            Variant(PathEditor::kAreaWidth),
                            Variant(PathEditor::kAreaHeight)};
  Call(fx, "ColorToBN", args);
}

// Puts back what the surface showed; its revision moves on, so views copy it.
void RestoreSurface(PictureSurface& area, const PictureSurface& before) {
  area.SetBackColor(before.BackColor());
  for (int y = 0; y < before.Height(); ++y)
    for (int x = 0; x < before.Width(); ++x) area.SetPixel(x, y, before.Pixel(x, y));
  area.Refresh();
}

}  // namespace

// The eight neighbour steps in clockwise order on screen, starting west.
void frmObjPath::FillNeighbourSteps() {
  NeighbourSteps = {{{-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}}};
}

void frmObjPath::ClearBackground() {
  PictureSurface& area = picture1Image_.Surface();
  area.SetBackColor(kBackgroundGrey);
  area.Clear();
  DrawGrid();
  area.Refresh();
}

// Light lines every 20 pixels from x = 1 and y = 1, over the whole area.
void frmObjPath::DrawGrid() {
  PictureSurface& area = picture1Image_.Surface();
  const int width = area.Width(), height = area.Height();
  for (int x = 1; x <= width; x += kGridStep) area.DrawLine(x, 0, x, height, kGridColour);
  for (int y = 1; y <= height; y += kGridStep) area.DrawLine(0, y, width, y, kGridColour);
}

void frmObjPath::SetBackgroundPicture(const std::string& fileName) {
  PictureSurface& area = picture1Image_.Surface();
  area.SetBackColor(kBackgroundGrey);
  area.Clear();
  DrawWithImageFX(rt_, picture1Image_.Handle(), fileName, false, 0, true);
  area.Refresh();
}

bool frmObjPath::LoadTracePicture() {
  std::string fileName;
  {
    ObjectRef image = rt_.CreateObject("KsCommon.CKsImage");
    Put(image, "REGKEY", Variant(kRegistryKey));
    fileName = Call(image, "Load").ToString();
  }
  if (fileName.empty()) return false;
  PictureSurface& area = picture1Image_.Surface();
  // A picture that cannot be read leaves the area as it was (grid or
  // background picture); the error goes on to the click's message.
  const PictureSurface before = area;
  try {
    area.SetBackColor(0);
    area.Clear();
    DrawWithImageFX(rt_, picture1Image_.Handle(), fileName, true, kTraceThreshold, false);
  } catch (...) {
    RestoreSurface(area, before);
    throw;
  }
  area.Refresh();
  return true;
}

void frmObjPath::TraceOutline() {
  TraceSteps steps;
  for (size_t i = 0; i < steps.size(); ++i) steps[i] = {NeighbourSteps[i].dx, NeighbourSteps[i].dy};
  OutlineTracer tracer(picture1Image_.Surface(), steps, editor_, rt_.GetPerson());
  // Cancel or the close box may unload the dialog while the trace gives the
  // interface its turns; the trace ends there.
  tracer.stopRequested = [this] {
    TellChanged();
    return Closed();
  };
  // No second trace can start inside this one: the button is off meanwhile
  // and comes back as the mode then selected wants it ("Extrude" only).
  Command3.enabled = false;
  Tracing = true;
  struct RestoreButton {
    frmObjPath& form;
    ~RestoreButton() {
      form.Command3.enabled = form.editor_.ExtrudeSelected();
      form.Tracing = false;
    }
  } restore{*this};
  tracer.TraceOutline();
  TraceSkip = tracer.TraceSkip;
}

}  // namespace ks::objpath
