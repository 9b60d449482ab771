#include "TagWriter.h"

#include "mp3infp.h"

#include "AtomicFile.h"
#include "Id3v2Reader.h"
#include "Id3v2Writer.h"
#include "LegacyText.h"

#include <set>

namespace mp3infp {

namespace {

constexpr std::uint64_t kMaxRiffBody = 0xFFFFFFFFu;
// ID3v2 tags are rebuilt in memory; larger ones (huge pictures) are left alone.
constexpr std::uint64_t kMaxId3v2 = 64u << 20;

// A file whose INFO text is all UTF-8, some of it beyond ASCII, was written by a tool that
// writes UTF-8 (ffmpeg does); CP932 beside it would show as garbage in that tool. Any other file,
// one whose text is all ASCII too, keeps CP932, what the Japanese Windows tools read.
bool writesUtf8(const std::vector<InfoItems>& lists) {
  bool beyondAscii = false;
  for (const InfoItems& items : lists)
    for (const auto& item : items) {
      if (!IsValidUtf8(item.second))
        return false;
      for (const char c : item.second)
        beyondAscii = beyondAscii || static_cast<unsigned char>(c) >= 0x80;
    }
  return beyondAscii;
}

// One INFO list as it is to be written.
struct EditedList {
  InfoItems items;
  bool changed = false; // else the list is copied as stored
};

// The file's INFO lists (at least one) with `edits` made, each list on its own: an edited item
// takes its new value in the first list that holds it (the first list when none does) and goes
// from the lists after it, where it would contradict the new value; every other item keeps its
// stored bytes in its own list. A value is stored NUL-terminated in the file's encoding
// (writesUtf8); an empty one removes the item.
std::vector<EditedList> editedInfo(const std::vector<InfoItems>& lists, const FieldValues& edits) {
  std::vector<EditedList> out(lists.empty() ? 1 : lists.size());
  FieldValues pending = edits;
  const bool utf8 = writesUtf8(lists);
  auto stored = [utf8](const std::string& value) {
    return (utf8 ? value : EncodeLegacy(value)) + '\0';
  };
  for (std::size_t i = 0; i < lists.size(); ++i)
    for (const auto& [id, raw] : lists[i]) {
      const auto it = edits.find(id);
      if (it == edits.end()) {
        out[i].items.emplace_back(id, raw);
        continue;
      }
      out[i].changed = true;
      if (pending.count(id) && !it->second.empty())
        out[i].items.emplace_back(id, stored(it->second));
      pending.erase(id);
    }
  for (const auto& [id, value] : pending)
    if (!value.empty()) {
      out.front().items.emplace_back(id, stored(value));
      out.front().changed = true;
    }
  return out;
}

const Picture* coverOf(const TagChanges& changes) {
  return changes.cover ? &*changes.cover : nullptr;
}

// The result code of a failed ID3v2 render.
int renderFailure(Id3v2Render result) {
  return result == Id3v2Render::kNoV23Form ? MP3INFP_SAVE_NO_V23_FORM : MP3INFP_SAVE_BROKEN_TAG;
}

// The MPEG stream with its ID3v2 and ID3v1 tags changed or added; 0, or why it cannot be.
int streamPieces(const TagFile& file, const TagChanges& changes, std::vector<Piece>& out) {
  const Id3v1Tag* v1 = file.id3v1();
  const std::uint64_t v1Start = v1 ? file.id3v1Offset() : file.streamEnd();
  std::uint64_t from = file.streamStart();
  const FieldValues* stored = file.values(TagKind::Id3v2);
  FieldValues v2Values = stored ? *stored : FieldValues();
  if (!changes.id3v2.empty() || changes.unwrapRmp || changes.cover || !changes.userTexts.empty() ||
      (changes.addId3v2 && file.id3v2Size() == 0)) {
    std::string old, tag;
    if (file.id3v2Size() > kMaxId3v2 ||
        (file.id3v2Size() > 0 &&
         !file.reader().read(from, static_cast<std::size_t>(file.id3v2Size()), old)))
      return MP3INFP_SAVE_BROKEN_TAG;
    const Id3v2Render rendered =
        RenderId3v2(old, changes.id3v2, tag, coverOf(changes), &changes.userTexts);
    if (rendered != Id3v2Render::kWritten)
      return renderFailure(rendered);
    out.push_back(Piece::Bytes(tag));
    from += file.id3v2Size();
    v2Values = ReadId3v2Fields(tag);
  }
  out.push_back(Piece::Range(from, v1Start - from));
  if (v1 || changes.addId3v1 || !changes.id3v1.empty()) {
    Id3v1Tag tag = v1 ? *v1 : Id3v1Tag();
    MirrorChangesToId3v1(changes, v2Values, tag);
    if (!tag.setAll(changes.id3v1))
      return MP3INFP_SAVE_BROKEN_TAG;
    out.push_back(Piece::Bytes(tag.bytes()));
  }
  return 0;
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
               std::uint64_t trailerStart, std::vector<Piece>& pieces) {
  const std::uint64_t bodySize = 4 + TotalLength(body);
  if (bodySize > kMaxRiffBody)
    return MP3INFP_SAVE_TOO_LARGE;
  std::string header = "RIFF";
  AppendLE32(header, static_cast<std::uint32_t>(bodySize));
  header += form;
  pieces = {Piece::Bytes(header)};
  pieces.insert(pieces.end(), body.begin(), body.end());
  if (trailerStart < file.reader().size())
    pieces.push_back(Piece::Range(trailerStart, file.reader().size() - trailerStart));
  return 0;
}

// A WAV file's ID3v2 chunk with the INFO values just written, so that tools reading either tag
// show the same, and the cover when one is set; 0, or why the chunk's tag cannot be rebuilt.
int id3ChunkPieces(const TagFile& file, const RiffChunk& chunk, const TagChanges& changes,
                   std::vector<Piece>& body) {
  std::string old, tag;
  if (chunk.available > kMaxId3v2 ||
      !file.reader().read(chunk.dataOffset, static_cast<std::size_t>(chunk.available), old))
    return MP3INFP_SAVE_BROKEN_ID3_CHUNK;
  const Id3v2Render rendered = RenderId3v2(old, changes.info, tag, coverOf(changes));
  if (rendered != Id3v2Render::kWritten)
    return rendered == Id3v2Render::kNoV23Form ? MP3INFP_SAVE_NO_V23_FORM
                                               : MP3INFP_SAVE_BROKEN_ID3_CHUNK;
  appendChunk(body, chunk.id.c_str(), {Piece::Bytes(tag)});
  return 0;
}

// WAV and RMP3 files: chunk by chunk, each INFO list rebuilt in place when it changes.
int rewriteRiff(const TagFile& file, const TagChanges& changes, std::vector<Piece>& pieces) {
  const RiffLayout& riff = file.riff();
  if (riff.rf64())
    return MP3INFP_SAVE_RF64;
  if (!riff.sound() || !file.infoComplete())
    return MP3INFP_SAVE_BROKEN_CHUNKS; // sizes that do not add up: rewriting could only make it
                                       // worse
  const bool wav = file.type() == TagFile::kWav;
  // A cover, and a field INFO has no item for, go into the 'id3 ' chunk, made for them when
  // missing; one we cannot read is left, and so they cannot be written.
  const bool needsId3Chunk = wav && NeedsId3Chunk(changes);
  const bool makesId3Chunk = needsId3Chunk && !file.hasId3Chunk();
  if (needsId3Chunk && file.hasId3Chunk() && !file.id3Chunk())
    return MP3INFP_SAVE_BROKEN_ID3_CHUNK;
  // Only the fields INFO has an item for go into the list. A track number that TagLib-based
  // tools keep in IPRT is kept there too, so that none of them shows the old one.
  FieldValues info;
  for (const auto& [id, value] : changes.info)
    if (IsInfoField(id))
      info[id] = value;
  const auto track = info.find(kTrackId);
  for (const InfoItems& items : file.infoLists())
    for (const auto& [id, raw] : items)
      if (id == "IPRT" && track != info.end())
        info[id] = track->second;
  const std::vector<EditedList> lists = editedInfo(file.infoLists(), info);
  // A file without an INFO list gets one when it has values (an RMP3 file always). In a WAV file
  // it goes before the 'id3 ' chunk: exiftool shows the later of the two, and the chunk's
  // Unicode text is what every tool reads right.
  const bool addsList = file.infoLists().empty() && (file.isRmp3() || !lists.front().items.empty());
  bool listAdded = false;
  std::size_t listsSeen = 0;
  bool dataWritten = false;
  std::vector<Piece> body;
  auto addList = [&]() {
    if (addsList && !listAdded)
      body.push_back(Piece::Bytes(RenderInfoList(lists.front().items)));
    listAdded = true;
  };
  auto copy = [&body](const RiffChunk& chunk) {
    body.push_back(Piece::Range(chunk.offset, 8 + std::uint64_t{chunk.size}));
    if (chunk.size & 1)
      body.push_back(Piece::Bytes(std::string(1, '\0')));
  };
  for (const RiffChunk& chunk : riff.chunks()) {
    if (wav && (chunk.id == "id3 " || chunk.id == "ID3 "))
      addList();
    // Only the chunk we read is rebuilt; one holding no tag we can read is copied.
    if (&chunk == file.id3Chunk() && (!changes.info.empty() || changes.cover)) {
      if (const int failure = id3ChunkPieces(file, chunk, changes, body))
        return failure;
    } else if (riff.isInfoList(file.reader(), chunk)) {
      const EditedList& list = lists[listsSeen++];
      if (!list.changed)
        copy(chunk);
      // A list left empty goes, but an RMP3 file's first, which makes it a RIFF SIF tag.
      else if (!list.items.empty() || (file.isRmp3() && listsSeen == 1))
        body.push_back(Piece::Bytes(RenderInfoList(list.items)));
    } else if (file.isRmp3() && !dataWritten && chunk.id == "data") {
      std::vector<Piece> stream;
      if (const int failure = streamPieces(file, changes, stream))
        return failure;
      appendChunk(body, "data", stream);
      dataWritten = true;
    } else {
      copy(chunk);
    }
  }
  addList();
  if (makesId3Chunk) {
    FieldValues values = *file.values(TagKind::Info);
    for (const auto& [id, value] : changes.info)
      values[id] = value;
    std::string tag;
    if (RenderId3v2({}, values, tag, coverOf(changes)) != Id3v2Render::kWritten)
      return MP3INFP_SAVE_NO_ID3_CHUNK;
    appendChunk(body, "id3 ", {Piece::Bytes(tag)});
  }
  return finishRiff(file, riff.form(), body, riff.bodyEnd(), pieces);
}

} // namespace

void MirrorChangesToId3v1(const TagChanges& changes, const FieldValues& id3v2, Id3v1Tag& tag) {
  std::set<std::string> fields;
  for (const Field& f : kFields)
    if (f.inId3v1 && (changes.mirror == TagChanges::Mirror::All ||
                      (changes.mirror == TagChanges::Mirror::Changed && changes.id3v2.count(f.id))))
      fields.insert(f.id);
  MirrorToId3v1(id3v2, fields, tag);
}

bool NeedsId3Chunk(const TagChanges& changes) {
  if (changes.addId3v2 || changes.cover)
    return true;
  for (const auto& [id, value] : changes.info)
    if (!IsInfoField(id) && !value.empty())
      return true;
  return false;
}

int RenderChanges(const TagFile& file, const TagChanges& changes, std::vector<Piece>& pieces) {
  pieces.clear();
  if (file.isRmp3() && changes.unwrapRmp)
    return file.riff().sound() ? streamPieces(file, changes, pieces) : MP3INFP_SAVE_BROKEN_CHUNKS;
  if (file.type() == TagFile::kWav || file.isRmp3())
    return rewriteRiff(file, changes, pieces);
  if (const int failure = streamPieces(file, changes, pieces))
    return failure;
  if (!changes.wrapRmp)
    return 0;
  std::vector<Piece> body;
  appendChunk(body, "data", std::move(pieces));
  body.push_back(Piece::Bytes(RenderInfoList(editedInfo({}, changes.info).front().items)));
  return finishRiff(file, "RMP3", body, file.reader().size(), pieces);
}

int ApplyChanges(const TagFile& file, const TagChanges& changes) {
  std::vector<Piece> pieces;
  const int failure = RenderChanges(file, changes, pieces);
  return failure != 0 ? failure : WriteAtomically(file.path(), file.reader(), pieces);
}

} // namespace mp3infp
