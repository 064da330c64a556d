#include "object_list.h"

namespace ks {
namespace {

[[noreturn]] void Fail(int32_t number, const std::string& what) {
  throw ComError(number, what, std::string(CKsList::kClassName));
}

}  // namespace

std::string CKsList::KeyOf(const ObjectRef& item) const {
  if (kind_ == Kind::Objects) return static_cast<const CKsObject&>(*item).Key();
  return static_cast<const CKsMaterial&>(*item).Name();
}

ObjectRef CKsList::Find(const std::string& key) const {
  if (kind_ == Kind::Objects) {
    auto it = objectsByKey_.find(key);
    comparisons_ += it != objectsByKey_.end();
    return it == objectsByKey_.end() ? nullptr : it->second;
  }
  if (*materialIndexStale_) {
    materialsByName_.clear();
    for (const ObjectRef& item : items_) materialsByName_.emplace(KeyOf(item), item);
    comparisons_ += items_.size();
    *materialIndexStale_ = false;
  }
  auto it = materialsByName_.find(key);
  comparisons_ += it != materialsByName_.end();
  return it == materialsByName_.end() ? nullptr : it->second;
}

void CKsList::AddObject(const KsObjectRef& object, const std::string& key,
                        const std::string& groupKey) {
  if (kind_ != Kind::Objects) Fail(err::kTypeMismatch, "Add: this list holds materials");
  if (!object) Fail(err::kObjectRequired, "Add: the object to add is Nothing");
  if (members_.count(object.get()))
    Fail(err::kInvalidCall,
         "Add: the object \"" + object->Name() + "\" is already in the list as " + object->Key());
  if (!groupKey.empty() && !Find(groupKey))
    Fail(err::kInvalidCall, "Add: there is no object with key \"" + groupKey + "\" to group \"" +
                                object->Name() + "\" with");
  std::string newKey = key;
  if (newKey.empty()) {
    do newKey = "Object" + std::to_string(nextNumber_++);
    while (Find(newKey));
  } else if (Find(newKey)) {
    Fail(err::kInvalidCall, "Add: the key \"" + newKey + "\" is already taken");
  }
  object->SetKey(newKey);
  object->SetGroupKey(groupKey);
  items_.push_back(object);
  objectsByKey_.emplace(std::move(newKey), object);
  members_.insert(object.get());
}

void CKsList::AddMaterial(const KsMaterialRef& material) {
  if (kind_ != Kind::Materials) Fail(err::kTypeMismatch, "Add: this list holds mesh objects");
  if (!material) Fail(err::kObjectRequired, "Add: the material to add is Nothing");
  items_.push_back(material);
  material->WatchName(materialIndexStale_);
  materialsByName_.emplace(material->Name(), material);  // the first of a name wins
}

int32_t CKsList::Position(const Variant& x) const {
  if (x.type() == VarType::String) {
    const std::string key = x.ToString();
    if (ObjectRef item = Find(key))
      for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == item) return static_cast<int32_t>(i + 1);
    Fail(err::kInvalidCall, "Item: there is no item with key \"" + key + "\"");
  }
  const int32_t i = x.ToLong();
  if (i < 1 || i > Count())
    Fail(err::kSubscriptOutOfRange, "Item: there is no item " + std::to_string(i) +
                                        " in a list of " + std::to_string(Count()));
  return i;
}

ObjectRef CKsList::Item(const Variant& indexOrKey) const {
  if (indexOrKey.type() == VarType::String) {
    const std::string key = indexOrKey.ToString();
    if (ObjectRef item = Find(key)) return item;
    Fail(err::kInvalidCall, "Item: there is no item with key \"" + key + "\"");
  }
  return items_[static_cast<size_t>(Position(indexOrKey) - 1)];
}

void CKsList::Remove(const Variant& indexOrKey) {
  const auto at = items_.begin() + (Position(indexOrKey) - 1);
  if (kind_ == Kind::Objects) {
    auto& object = static_cast<CKsObject&>(**at);
    objectsByKey_.erase(object.Key());
    members_.erase(&object);
    object.SetKey({});
    object.SetGroupKey({});
  } else {
    *materialIndexStale_ = true;
  }
  items_.erase(at);
}

std::vector<KsObjectRef> CKsList::Objects() const {
  std::vector<KsObjectRef> out;
  if (kind_ == Kind::Objects)
    for (const ObjectRef& i : items_) out.push_back(std::static_pointer_cast<CKsObject>(i));
  return out;
}

std::vector<KsMaterialRef> CKsList::Materials() const {
  std::vector<KsMaterialRef> out;
  if (kind_ == Kind::Materials)
    for (const ObjectRef& i : items_) out.push_back(std::static_pointer_cast<CKsMaterial>(i));
  return out;
}

void CKsList::BuildMembers(MemberTable<CKsList>& t) {
  using Args = std::span<Variant>;
  t.Method("Add", [](CKsList& l, Args a) {
    ObjectRef item = Arg(a, 0).ToObject();
    if (l.kind_ == Kind::Materials) {
      auto material = std::dynamic_pointer_cast<CKsMaterial>(item);
      if (item && !material)
        Fail(err::kTypeMismatch,
             "Add: a " + std::string(item->ClassName()) + " cannot go into the material list");
      l.AddMaterial(material);
      return Variant();
    }
    auto object = std::dynamic_pointer_cast<CKsObject>(item);
    if (item && !object)
      Fail(err::kTypeMismatch,
           "Add: a " + std::string(item->ClassName()) + " cannot go into the object list");
    l.AddObject(object, HasArg(a, 1) ? a[1].ToString() : std::string(),
                HasArg(a, 2) ? a[2].ToString() : std::string());
    return Variant();
  });
  t.Property("Count", [](CKsList& l, Args) { return Variant(l.Count()); });
  t.Method("Item", [](CKsList& l, Args a) { return Variant(l.Item(Arg(a, 0))); });
  t.Method("Remove", [](CKsList& l, Args a) {
    l.Remove(Arg(a, 0));
    return Variant();
  });
}

}  // namespace ks
