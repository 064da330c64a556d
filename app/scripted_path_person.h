#pragma once
// A scripted person for the path plug-in's dialog: chooses the mode, moves the
// axis bar, types the settings into the property grids, clicks the points
// into the drawing area, finishes the path with a right click, ticks "Close
// Path" if asked and presses "Get Object". It remembers the messages the
// dialog showed and the clicks the drawing area ignored.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/form.h"
#include "host/person.h"

namespace kestrel {

struct PathScript {
  enum class Mode { Extrude, Rotate };
  Mode mode = Mode::Extrude;
  std::vector<std::array<float, 2>> points;  // drawing-area pixels, in click order
  std::optional<int32_t> height;             // "Height" of the extrusion grid
  std::optional<int32_t> sections;           // "Section" of the rotation grid
  std::optional<int32_t> angle;              // "Y Rotation"
  bool openSeam = false;                     // "Close Last polygons" = "False"
  bool closePath = false;                    // tick "Close Path"
  // "X", "Y", "Z" of the "Translation" group; an unset axis is left alone.
  std::array<std::optional<double>, 3> translation{};
  std::optional<float> axis;  // x of the rotation axis, moved there with the bar
};

// A click that the drawing area did not take (across the rotation axis).
struct IgnoredClick {
  size_t index = 0;  // 0-based position in the script's point list
  float x = 0, y = 0;
  float axis = 0;  // where the axis stood
};

class ScriptedPathPerson : public ks::Person {
 public:
  explicit ScriptedPathPerson(PathScript script) : script_(std::move(script)) {}

  std::vector<std::string> messages;  // message boxes, in order
  std::vector<IgnoredClick> ignored;
  int32_t pathPoints = 0;  // points the path held when "Get Object" was pressed

  void ShowModal(ks::Form& form) override;
  ks::MsgResult MessageBox(std::string_view text, ks::MsgButtons buttons, ks::MsgIcon,
                           std::string_view) override;
  std::optional<std::string> ChooseOpenFile(const ks::OpenFileRequest&) override {
    return std::nullopt;
  }
  void SetScreenPointer(int) override {}
  void DoEvents() override {}

 private:
  void Work(ks::Form& form);
  void MoveBar(ks::Form& form, float axis);
  void FillGrids(ks::Form& form);
  void ClickPoints(ks::Form& form);

  PathScript script_;
};

}  // namespace kestrel
