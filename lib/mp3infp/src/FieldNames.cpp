#include "FieldNames.h"

namespace mp3infp {

TagKind SplitValueName(const std::string& name, std::string& id) {
  id = name.substr(0, 4);
  bool known = false;
  for (const char* f : kFieldIds)
    known = known || id == f;
  if (!known)
    return TagKind::None;
  const std::string suffix = name.substr(4);
  if (suffix.empty())
    return TagKind::Info;
  if (suffix == "_v1")
    return TagKind::Id3v1;
  if (suffix == "_v2")
    return TagKind::Id3v2;
  if (suffix == "_rmp")
    return TagKind::Rmp;
  return TagKind::None;
}

} // namespace mp3infp
