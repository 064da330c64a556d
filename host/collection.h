#pragma once
// A plain collection of Variants, 1-based (Add, Count, Item, Remove): the
// plug-ins' temporary object and material lists.
#include <vector>

#include "dispatch.h"

namespace ks {

class Collection : public DispatchObject<Collection> {
 public:
  static constexpr std::string_view kClassName = "Kestrel.Collection";
  static void BuildMembers(MemberTable<Collection>& t);

  void Add(Variant item) { items_.push_back(std::move(item)); }
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // 1-based; raises error 9 when out of range.
  const Variant& Item(int32_t index) const;
  void Remove(int32_t index);
  void Clear() { items_.clear(); }
  const std::vector<Variant>& items() const { return items_; }

 private:
  std::vector<Variant> items_;
};

using CollectionRef = std::shared_ptr<Collection>;

}  // namespace ks
