#include "call_log.h"

#include "dispatch.h"

namespace ks {

std::string LoggedCall::ToString() const {
  std::string out = object + ".";
  std::string argText;
  for (size_t i = 0; i < args.size(); ++i) {
    bool live = i < liveObject.size() && liveObject[i];
    argText += (i ? "," : "") + (live ? std::string("Object") : args[i].Describe());
  }
  if (kind == CallKind::PropertyPut) return out + member + "=" + argText;
  if (kind == CallKind::PropertyGet && args.empty()) return out + member;
  return out + member + "(" + argText + ")";
}

void CallLog::Record(LoggedCall call) {
  std::lock_guard lock(mutex_);
  calls_.push_back(std::move(call));
}

std::vector<LoggedCall> CallLog::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<std::string> CallLog::Lines() const {
  std::vector<std::string> out;
  for (const auto& c : Calls()) out.push_back(c.ToString());
  return out;
}

std::vector<std::string> CallLog::MemberLines() const {
  std::vector<std::string> out;
  for (const auto& c : Calls()) {
    std::string s = c.ToString();
    out.push_back(s.substr(c.object.size() + 1));
  }
  return out;
}

void CallLog::Clear() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

int CallLog::NextSerial() {
  std::lock_guard lock(mutex_);
  return ++serial_;
}

}  // namespace ks
