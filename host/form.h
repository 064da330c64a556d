#pragma once
// Plain C++ forms: the state of each control and the form's event handlers.
// Views (Qt widgets, scripted people, tests) read and write the controls and
// fire events by name ("cmdImport_Click"), so no test needs a display.
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "variant.h"

namespace ks {

struct Control {
  std::string name;
  std::string caption;
  bool enabled = true;
  bool visible = true;
  Variant value;                   // check box 0/1, option button Boolean, progress value...
  std::vector<std::string> items;  // list and combo boxes
  int listIndex = -1;              // -1: no selection
  int mousePointer = 0;
  double max = 100;                // progress bar maximum
  int zOrder = 0;                  // frames: the highest is in front
};

class Form {
 public:
  virtual ~Form() = default;

  virtual std::string_view FormName() const = 0;
  // Runs an event handler by name ("cmbFormat_Click", "Form_Load"). Unknown
  // names are ignored, as a form without that handler would.
  virtual void Fire(std::string_view event, std::vector<Variant> args = {}) = 0;
  // The close box: asks QueryUnload, then unloads unless cancelled.
  virtual void RequestClose() = 0;

  std::string caption;
  bool Closed() const { return closed_; }

  Control* FindControl(std::string_view name) {
    auto it = controls_.find(std::string(name));
    return it == controls_.end() ? nullptr : it->second;
  }
  const std::map<std::string, Control*>& Controls() const { return controls_; }

 protected:
  // Registers a control under its name so views can find it.
  Control& Register(Control& c, std::string name, std::string caption = {}) {
    c.name = name;
    c.caption = std::move(caption);
    controls_[std::move(name)] = &c;
    return c;
  }
  void MarkClosed() { closed_ = true; }
  void MarkOpen() { closed_ = false; }

 private:
  std::map<std::string, Control*> controls_;
  bool closed_ = false;
};

}  // namespace ks
