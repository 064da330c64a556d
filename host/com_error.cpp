#include "com_error.h"

#include <new>

namespace ks {

ComError::ComError(int32_t number, std::string description, std::string source)
    : number_(number), description_(std::move(description)), source_(std::move(source)) {}

ComError AsComError(const std::exception& e, std::string_view source) {
  if (const auto* com = dynamic_cast<const ComError*>(&e)) return *com;
  if (dynamic_cast<const std::bad_alloc*>(&e))
    return ComError(err::kOutOfMemory, "Out of memory", std::string(source));
  return ComError(err::kInvalidCall, e.what(), std::string(source));
}

}  // namespace ks
