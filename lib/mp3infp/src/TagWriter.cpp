#include "TagWriter.h"

#include "AtomicFile.h"
#include "LegacyText.h"

namespace mp3infp {

namespace {

constexpr std::uint64_t kMaxRiffBody = 0xFFFFFFFFu;

// Items not edited keep their stored bytes; an edited value is stored NUL-terminated, and an
// empty one removes the item.
InfoItems editedInfo(const InfoItems& original, const FieldValues& edits) {
  InfoItems items;
  FieldValues pending = edits;
  auto stored = [](const std::string& value) { return EncodeLegacy(value) + '\0'; };
  for (const auto& [id, raw] : original) {
    const auto it = edits.find(id);
    if (it == edits.end()) {
      items.emplace_back(id, raw);
    } else if (pending.count(id)) {
      // The first item of this id takes the new value; later duplicates would shadow it.
      if (!it->second.empty())
        items.emplace_back(id, stored(it->second));
      pending.erase(id);
    }
  }
  for (const auto& [id, value] : pending)
    if (!value.empty())
      items.emplace_back(id, stored(value));
  return items;
}

// The MPEG stream with its ID3v1 tag changed or added.
bool streamPieces(const TagFile& file, const TagChanges& changes, std::vector<Piece>& out) {
  const Id3v1Tag* v1 = file.id3v1();
  const std::uint64_t v1Start = v1 ? file.id3v1Offset() : file.streamEnd();
  out.push_back(Piece::Range(file.streamStart(), v1Start - file.streamStart()));
  if (v1 || changes.addId3v1 || !changes.id3v1.empty()) {
    Id3v1Tag tag = v1 ? *v1 : Id3v1Tag();
    for (const auto& [id, value] : changes.id3v1)
      if (!tag.set(id, value))
        return false;
    out.push_back(Piece::Bytes(tag.bytes()));
  }
  return true;
}

void appendChunk(std::vector<Piece>& body, const char* id, std::vector<Piece> content) {
  std::string header = id;
  const std::uint64_t size = TotalLength(content);
  AppendLE32(header, static_cast<std::uint32_t>(size));
  body.push_back(Piece::Bytes(header));
  body.insert(body.end(), content.begin(), content.end());
  if (size & 1)
    body.push_back(Piece::Bytes(std::string(1, '\0')));
}

int finishRiff(const TagFile& file, const std::string& form, std::vector<Piece> body,
               std::uint64_t trailerStart) {
  const std::uint64_t bodySize = 4 + TotalLength(body);
  if (bodySize > kMaxRiffBody)
    return 20;
  std::string header = "RIFF";
  AppendLE32(header, static_cast<std::uint32_t>(bodySize));
  header += form;
  std::vector<Piece> pieces{Piece::Bytes(header)};
  pieces.insert(pieces.end(), body.begin(), body.end());
  if (trailerStart < file.reader().size())
    pieces.push_back(Piece::Range(trailerStart, file.reader().size() - trailerStart));
  return WriteAtomically(file.path(), file.reader(), pieces);
}

// WAV and RMP3 files: chunk by chunk, the first INFO list rebuilt in place, later INFO lists
// merged into it.
int rewriteRiff(const TagFile& file, const TagChanges& changes) {
  const RiffLayout& riff = file.riff();
  if (!riff.sound() || !file.infoComplete())
    return 21; // sizes that do not add up: rewriting could only make it worse
  const InfoItems items = editedInfo(file.infoItems(), changes.info);
  const bool keepInfo = file.isRmp3() || !items.empty();
  bool infoWritten = false;
  bool dataWritten = false;
  std::vector<Piece> body;
  for (const RiffChunk& chunk : riff.chunks()) {
    if (riff.isInfoList(file.reader(), chunk)) {
      if (!infoWritten && keepInfo)
        body.push_back(Piece::Bytes(RenderInfoList(items)));
      infoWritten = true;
      continue;
    }
    if (file.isRmp3() && !dataWritten && chunk.id == "data") {
      std::vector<Piece> stream;
      if (!streamPieces(file, changes, stream))
        return 22;
      appendChunk(body, "data", stream);
      dataWritten = true;
      continue;
    }
    body.push_back(Piece::Range(chunk.offset, 8 + std::uint64_t{chunk.size}));
    if (chunk.size & 1)
      body.push_back(Piece::Bytes(std::string(1, '\0')));
  }
  if (!infoWritten && keepInfo)
    body.push_back(Piece::Bytes(RenderInfoList(items)));
  return finishRiff(file, riff.form(), body, riff.bodyEnd());
}

} // namespace

int ApplyChanges(const TagFile& file, const TagChanges& changes) {
  if (file.type() == TagFile::kWav || file.isRmp3())
    return rewriteRiff(file, changes);
  std::vector<Piece> stream;
  if (!streamPieces(file, changes, stream))
    return 22;
  if (!changes.wrapRmp)
    return WriteAtomically(file.path(), file.reader(), stream);
  std::vector<Piece> body;
  appendChunk(body, "data", stream);
  body.push_back(Piece::Bytes(RenderInfoList(editedInfo({}, changes.info))));
  return finishRiff(file, "RMP3", body, file.reader().size());
}

} // namespace mp3infp
