#include "import_warnings.h"

#include <algorithm>

namespace ks::readers {

namespace {
constexpr size_t kNamesShown = 4;
}

void ImportWarnings::Count(const WarningKind& kind, std::string_view name) {
  auto it =
      std::find_if(kinds_.begin(), kinds_.end(), [&](const Counted& c) { return c.kind == &kind; });
  if (it == kinds_.end()) it = kinds_.insert(kinds_.end(), Counted{&kind, 0, {}, false});
  ++it->count;
  if (std::find(it->names.begin(), it->names.end(), name) != it->names.end()) return;
  if (it->names.size() < kNamesShown)
    it->names.emplace_back(name);
  else
    it->moreNames = true;
}

std::vector<std::string> ImportWarnings::Messages() const {
  std::vector<std::string> out;
  for (const Counted& c : kinds_) {
    std::string line = "passed over " + std::to_string(c.count) + " " +
                       std::string(c.count == 1 ? c.kind->one : c.kind->many) + " (";
    for (size_t i = 0; i < c.names.size(); ++i) line += (i ? ", " : "") + c.names[i];
    line += c.moreNames ? ", ...): " : "): ";
    out.push_back(line + std::string(c.kind->reason));
  }
  return out;
}

}  // namespace ks::readers
