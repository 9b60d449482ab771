#include "core/tags/TagField.h"

#include <algorithm>

const TagFieldRow* RowNamed(const QString& name) {
  const auto row =
      std::find_if(kTagFields.begin(), kTagFields.end(), [&name](const TagFieldRow& r) {
        return r.name != nullptr && name == QLatin1String(r.name);
      });
  return row == kTagFields.end() ? nullptr : &*row;
}
