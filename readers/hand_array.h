#pragma once
// Handing a whole gathered array to a host object in one late-bound call.
#include <array>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "host/dispatch.h"

namespace ks::readers {

// Calls member with the array by reference; an object without such values yet
// takes the array over. The caller's array is released either way.
template <class T>
void HandArray(const ObjectRef& object, std::string_view member, std::vector<T>& values) {
  std::array<Variant, 1> args{Variant(std::move(values))};
  values = {};
  Call(object, member, std::span<Variant>(args));
}

}  // namespace ks::readers
