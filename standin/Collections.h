// Helpers for Visio's collections.
#pragma once

#include <string>
#include <vector>

#include "standin/VisioObject.h"

namespace standin {

// Collection.Item with a variant index: a 1-based number, or a name (found
// by findByName). Anything else fails with the collection's own error.
template <class T, class FindByName>
Ref<T> ItemOf(const std::vector<Ref<T>>& list, const Variant& index, FindByName findByName,
              VisioErrorKind notFound) {
  if (index.type() == VarType::Bstr) {
    if (T* found = findByName(index.ToString())) return Ref<T>(found);
    ThrowVisio(notFound);
  }
  const std::int32_t i = index.ToInt32();
  if (i < 1 || i > static_cast<std::int32_t>(list.size())) ThrowVisio(notFound);
  return list[static_cast<std::size_t>(i - 1)];
}

// Collection.ItemU: a 1-based number, or a universal name.
template <class T>
Ref<T> ItemUOf(const std::vector<Ref<T>>& list, const Variant& index, VisioErrorKind notFound) {
  return ItemOf(
      list, index,
      [&](const std::string& nameU) -> T* {
        for (const auto& o : list) {
          if (automation::NamesEqual(o->NameU(), nameU)) return o.get();
        }
        return nullptr;
      },
      notFound);
}

// Position of an object in a list, 1-based; 0 when it is not there.
template <class T>
std::int16_t PositionOf(const std::vector<Ref<T>>& list, const T* object) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].get() == object) return static_cast<std::int16_t>(i + 1);
  }
  return 0;
}

inline Variant StatOf(const VisioObject& o) {
  return I2(o.IsDeleted() ? kStatDeleted : kStatNormal);
}

}  // namespace standin
