#pragma once
// A plug-in's Qt Widgets views of its forms live in a module of their own,
// views/lib<PlugIn>View.so beside the plug-in library, so that a run without
// a desktop never loads Qt Widgets or Qt Gui. The plug-in loads the module
// when the person is at the desktop; it exports one entry point,
//   extern "C" void KsShowFormView(ks::Form& form);
// which shows the loaded form modally, parented to the active window, and
// returns when the form has closed.
#include <filesystem>
#include <functional>
#include <string_view>

namespace ks {

class Form;
class Person;

inline constexpr const char* kFormViewEntry = "KsShowFormView";
inline constexpr std::string_view kFormViewFolder = "views";

// Shows a loaded form at the desktop until it has closed.
using FormView = std::function<void(Form& form)>;

// The view module `file` in the views folder beside the library holding the
// code at `pluginAddress`.
std::filesystem::path FormViewModulePath(const void* pluginAddress, std::string_view file);

// Loads the view module (it stays loaded for the rest of the run: Qt keeps
// its classes' meta-objects) and returns its entry point. When it cannot be
// loaded, tells the person in a message box titled `title` which module and
// why, and returns an empty view.
FormView LoadFormView(Person& person, const std::filesystem::path& module, std::string_view title);

}  // namespace ks

// Defined by each view module.
extern "C" void KsShowFormView(ks::Form& form);
