#include "ReadBack.h"

#include "LegacyText.h"

namespace mp3infp {

namespace {

constexpr TagKind kKinds[] = {TagKind::Info, TagKind::Id3v1, TagKind::Id3v2, TagKind::Rmp};

bool sameText(const std::string& got, const std::string& meant) {
  return got == meant || got == FoldCp932LookAlikes(meant);
}

} // namespace

ReadBack ExpectReadBack(const TagFile& before, const std::map<std::string, std::string>& edits,
                        bool addsId3v1, bool wrapsRmp) {
  // What each tag must read as afterwards, and which tags may appear.
  std::map<TagKind, FieldValues> meant;
  std::map<TagKind, bool> asked{{TagKind::Id3v1, addsId3v1}, {TagKind::Rmp, wrapsRmp}};
  for (const TagKind kind : kKinds)
    if (const FieldValues* values = before.values(kind))
      meant[kind] = *values;
  Id3v1Tag v1 = before.id3v1() ? *before.id3v1() : Id3v1Tag();
  bool v1Edited = false;
  for (const auto& [name, value] : edits) {
    std::string id;
    const TagKind kind = SplitValueName(name, id);
    asked[kind] = true;
    if (kind == TagKind::Id3v1)
      v1Edited = v1.set(id, value) || v1Edited;
    else
      meant[kind][id] = value;
  }
  if (v1Edited)
    meant[TagKind::Id3v1] = v1.values();

  const std::uint32_t type = before.type();
  return [meant, asked, type, addsId3v1, wrapsRmp](const std::string& path) {
    const std::unique_ptr<TagFile> after = TagFile::Open(path);
    if (!after || after->type() != type)
      return false;
    if ((addsId3v1 && !after->id3v1()) || (wrapsRmp && !(after->isRmp3() && after->hasInfoList())))
      return false;
    for (const TagKind kind : kKinds) {
      const FieldValues* got = after->values(kind);
      const auto want = meant.find(kind);
      if (want == meant.end()) {
        const auto it = asked.find(kind);
        if (got && (it == asked.end() || !it->second))
          return false; // a tag that was not there and not asked for
        continue;
      }
      if (!got)
        return false;
      for (const char* id : kFieldIds) {
        const auto w = want->second.find(id);
        const auto g = got->find(id);
        if (!sameText(g == got->end() ? std::string() : g->second,
                      w == want->second.end() ? std::string() : w->second))
          return false;
      }
    }
    return true;
  };
}

} // namespace mp3infp
