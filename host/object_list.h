#pragma once
// The scene's lists: the object list (ListObjects) and the material list
// (ListMaterials). Items number from 1 and are found by position or by key.
//
// Object list: Add(object [, key] [, groupKey]). Each added object gets a
// unique Key ("Object1", "Object2", ... in order of addition, never reused;
// or the key passed second, which must not be taken). The third argument names
// an object already in the list, the first object of the import run the new
// one came with: the new object records it as its GroupKey, and the scene
// keeps such objects together as one group.
// Material list: Add(material); a material's key is its Name (the first
// material of that name wins when names repeat).
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "dispatch.h"
#include "ks_material.h"
#include "ks_object.h"

namespace ks {

class CKsList : public DispatchObject<CKsList> {
 public:
  static constexpr std::string_view kClassName = "Kestrel.CKsList";
  static void BuildMembers(MemberTable<CKsList>& t);

  enum class Kind { Objects, Materials };
  explicit CKsList(Kind kind) : kind_(kind) {}
  Kind kind() const { return kind_; }

  // Typed access for the host. Raise ComError on bad items or keys.
  void AddObject(const KsObjectRef& object, const std::string& key = {},
                 const std::string& groupKey = {});
  void AddMaterial(const KsMaterialRef& material);
  int32_t Count() const { return static_cast<int32_t>(items_.size()); }
  // 1-based position or key; error 9 (position) or 5 (key) when there is none.
  ObjectRef Item(const Variant& indexOrKey) const;
  // The item with this key, or null. Looked up by key, never by scanning.
  ObjectRef Find(const std::string& key) const;
  // Items whose keys were compared by look-ups so far (for checks).
  size_t KeyComparisons() const { return comparisons_; }
  void Remove(const Variant& indexOrKey);

  std::vector<KsObjectRef> Objects() const;
  std::vector<KsMaterialRef> Materials() const;

 private:
  std::string KeyOf(const ObjectRef& item) const;
  int32_t Position(const Variant& indexOrKey) const;

  Kind kind_;
  std::vector<ObjectRef> items_;
  std::unordered_map<std::string, ObjectRef> objectsByKey_;  // object list only
  std::unordered_set<const Dispatch*> members_;              // object list only
  // Material list: the first material of each name. Rebuilt when a material
  // was renamed or removed since (materialIndexStale_).
  mutable std::unordered_map<std::string, ObjectRef> materialsByName_;
  std::shared_ptr<bool> materialIndexStale_ = std::make_shared<bool>(false);
  mutable size_t comparisons_ = 0;
  int32_t nextNumber_ = 1;
};

using KsListRef = std::shared_ptr<CKsList>;

}  // namespace ks
