#pragma once
// A record of late-bound calls, switched on by tests: every member called on an
// object created through the runtime (and on the lists and objects that host
// objects hand out), with its arguments as they were passed.
#include <mutex>
#include <string>
#include <vector>

#include "variant.h"

namespace ks {

enum class CallKind : uint8_t;

struct LoggedCall {
  std::string object;  // class name and serial, "Kestrel.CKsObject#2"
  std::string member;  // as declared by the object ("Add_Poligons")
  CallKind kind;
  // The arguments as passed, except that object references are dropped (the
  // log must not keep objects alive: objects hold the log). liveObject[i] says
  // that argument i was a reference to an object rather than Nothing.
  std::vector<Variant> args;
  std::vector<bool> liveObject;
  // "Kestrel.CKsObject#2.Add_Poligons(Long(5)[4,0,1,2,3])"; property writes as "Name=String(..)".
  std::string ToString() const;
};

class CallLog {
 public:
  void Record(LoggedCall call);
  std::vector<LoggedCall> Calls() const;
  // Each call as a line; with memberFilter non-empty only calls of those members.
  std::vector<std::string> Lines() const;
  // Only "member(args)" parts, without the object, for compact expectations.
  std::vector<std::string> MemberLines() const;
  void Clear();
  // A fresh serial number for an object's name in the log.
  int NextSerial();

 private:
  mutable std::mutex mutex_;
  std::vector<LoggedCall> calls_;
  int serial_ = 0;
};

}  // namespace ks
