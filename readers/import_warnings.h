#pragma once
// Things a reader passed over that a person would expect to see imported
// (POV-Ray primitives, a DXF polygon mesh, OBJ lines and curves). The import
// still succeeds; each kind is counted and told once, at the end of the run.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ks::readers {

struct WarningKind {
  std::string_view one;     // "POV-Ray primitive"
  std::string_view many;    // "POV-Ray primitives"
  std::string_view reason;  // "only meshes are imported"
};

class ImportWarnings {
 public:
  // Counts one thing of a kind; name: what the file calls it ("sphere").
  void Count(const WarningKind& kind, std::string_view name);
  // One line per kind, in the order first met: "passed over 12 POV-Ray
  // primitives (sphere, box): only meshes are imported".
  std::vector<std::string> Messages() const;
  bool Empty() const { return kinds_.empty(); }
  void Clear() { kinds_.clear(); }

 private:
  struct Counted {
    const WarningKind* kind;
    int64_t count = 0;
    std::vector<std::string> names;  // the first few distinct names
    bool moreNames = false;
  };
  std::vector<Counted> kinds_;
};

}  // namespace ks::readers
