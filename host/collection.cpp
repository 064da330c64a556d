#include "collection.h"

namespace ks {

void Collection::BuildMembers(MemberTable<Collection>& t) {
  t.Method("Add", [](Collection& c, std::span<Variant> a) {
    c.Add(Arg(a, 0));
    return Variant();
  });
  t.Property("Count", [](Collection& c, std::span<Variant>) { return Variant(c.Count()); });
  t.Method("Item", [](Collection& c, std::span<Variant> a) { return c.Item(Arg(a, 0).ToLong()); });
  t.Method("Remove", [](Collection& c, std::span<Variant> a) {
    c.Remove(Arg(a, 0).ToLong());
    return Variant();
  });
}

const Variant& Collection::Item(int32_t index) const {
  if (index < 1 || index > Count())
    throw ComError(err::kSubscriptOutOfRange,
                   "Subscript out of range: item " + std::to_string(index) + " of a collection of " +
                       std::to_string(Count()),
                   std::string(kClassName));
  return items_[static_cast<size_t>(index - 1)];
}

void Collection::Remove(int32_t index) {
  Item(index);
  items_.erase(items_.begin() + (index - 1));
}

}  // namespace ks
