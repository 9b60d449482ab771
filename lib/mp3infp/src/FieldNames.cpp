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
