#include "FieldNames.h"

namespace mp3infp {

const Field* FindField(std::string_view id) {
  for (const Field& f : kFields)
    if (id == f.id)
      return &f;
  return nullptr;
}

bool IsInfoField(std::string_view id) {
  const Field* field = FindField(id);
  return field && field->inInfo;
}

TagKind SplitValueName(const std::string& name, std::string& id) {
  id = name.substr(0, 4);
  if (!FindField(id))
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

bool HasPlaceFor(TagKind kind, const Field& field) {
  switch (kind) {
  case TagKind::Info:
  case TagKind::Id3v2:
    return true;
  case TagKind::Rmp:
    return field.inInfo;
  case TagKind::Id3v1:
    return field.inId3v1;
  case TagKind::None:
    break;
  }
  return false;
}

bool IsTrackNumber(std::string_view text) {
  const std::size_t slash = text.find('/');
  auto number = [](std::string_view digits) {
    return !digits.empty() && digits.size() <= 9 &&
           digits.find_first_not_of("0123456789") == std::string_view::npos;
  };
  return text.empty() || (number(text.substr(0, slash)) &&
                          (slash == std::string_view::npos || number(text.substr(slash + 1))));
}

} // namespace mp3infp
