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

// Hands vertex numbers, three per triangle and no corner counts, to
// Add_Poligons with the Integer 3 that marks that form: an object without
// triangles yet takes the array over as it is.
inline void HandTriangles(const ObjectRef& object, std::vector<int32_t>& triples) {
  std::array<Variant, 2> args{Variant(std::move(triples)), Variant(int16_t{3})};
  triples = {};
  Call(object, "Add_Poligons", std::span<Variant>(args));
}

}  // namespace ks::readers
