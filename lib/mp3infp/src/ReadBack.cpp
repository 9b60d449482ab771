#include "ReadBack.h"

#include "Id3v2Writer.h"
#include "LegacyText.h"

#include <array>
#include <optional>

namespace mp3infp {

namespace {

// The tags a file may hold, each read on its own.
enum Slot { kInfo, kRmp, kId3v1, kId3v2, kWavId3, kSlots };
using Tags = std::array<std::optional<FieldValues>, kSlots>;

Tags tagsOf(const TagFile& file) {
  auto copy = [](const FieldValues* v) {
    return v ? std::optional<FieldValues>(*v) : std::nullopt;
  };
  return {copy(file.values(TagKind::Info)), copy(file.values(TagKind::Rmp)),
          copy(file.values(TagKind::Id3v1)), copy(file.values(TagKind::Id3v2)),
          copy(file.id3ChunkValues())};
}

// `values` with the ID3v2 fields in `changes` as their frames read.
FieldValues withId3v2(FieldValues values, const FieldValues& changes) {
  for (const auto& [id, value] : changes)
    values[id] = Id3v2FieldAsRead(id, value);
  return values;
}

FieldValues with(FieldValues values, const FieldValues& changes) {
  for (const auto& [id, value] : changes)
    values[id] = value;
  return values;
}

bool sameText(const std::string& got, const std::string& meant) {
  return got == meant || got == FoldCp932LookAlikes(meant);
}

bool sameValues(const FieldValues& got, const FieldValues& meant) {
  for (const Field& f : kFields) {
    const auto g = got.find(f.id);
    const auto m = meant.find(f.id);
    if (!sameText(g == got.end() ? std::string() : g->second,
                  m == meant.end() ? std::string() : m->second))
      return false;
  }
  return true;
}

// What ApplyChanges makes of each tag; false when it cannot succeed at all.
bool expectedTags(const TagFile& file, const TagChanges& changes, Tags& tags) {
  tags = tagsOf(file);
  if (file.type() == TagFile::kWav) {
    tags[kInfo] = with(*tags[kInfo], changes.info);
    if (tags[kWavId3] && !changes.info.empty())
      tags[kWavId3] = withId3v2(*tags[kWavId3], changes.info);
    else if (!file.hasId3Chunk() && NeedsId3Chunk(changes))
      tags[kWavId3] = withId3v2({}, *tags[kInfo]);
    return true;
  }

  if (file.isRmp3() && changes.unwrapRmp)
    tags[kRmp].reset();
  else if (file.isRmp3() || changes.wrapRmp)
    tags[kRmp] = with(tags[kRmp].value_or(FieldValues()), changes.info);

  if (!changes.id3v2.empty() || changes.unwrapRmp || changes.cover || !changes.userTexts.empty() ||
      (changes.addId3v2 && !tags[kId3v2]))
    tags[kId3v2] = withId3v2(tags[kId3v2].value_or(FieldValues()), changes.id3v2);

  if (tags[kId3v1] || changes.addId3v1 || !changes.id3v1.empty()) {
    Id3v1Tag v1 = file.id3v1() ? *file.id3v1() : Id3v1Tag();
    // The mirror takes the values of the ID3v2 tag as it will read, cut and with '?' for
    // what CP932 lacks; values set for the ID3v1 tag itself go on top.
    MirrorChangesToId3v1(changes, tags[kId3v2].value_or(FieldValues()), v1);
    if (!v1.setAll(changes.id3v1))
      return false;
    tags[kId3v1] = v1.values();
  }
  return true;
}

} // namespace

TagCheck ExpectTags(const TagFile& before, const TagChanges& changes) {
  Tags meant;
  const bool possible = expectedTags(before, changes, meant);
  const std::uint32_t type = before.type();
  const bool wrapsRmp = changes.wrapRmp;
  std::optional<Picture> picture = changes.cover ? changes.cover : before.picture();
  return [possible, meant, type, wrapsRmp, picture = std::move(picture)](const TagFile& after) {
    if (!possible || after.type() != type || (wrapsRmp && !after.hasInfoList()) ||
        after.picture() != picture)
      return false;
    const Tags got = tagsOf(after);
    for (std::size_t slot = 0; slot < kSlots; ++slot) {
      // A tag lost, or one appearing that nothing asked for, fails as a wrong value does.
      if (got[slot].has_value() != meant[slot].has_value())
        return false;
      if (got[slot] && !sameValues(*got[slot], *meant[slot]))
        return false;
    }
    return true;
  };
}

ReadBack ExpectReadBack(const TagFile& before, const TagChanges& changes) {
  return [check = ExpectTags(before, changes)](const std::string& path) {
    const std::unique_ptr<TagFile> after = TagFile::Open(path);
    return after && check(*after);
  };
}

} // namespace mp3infp
