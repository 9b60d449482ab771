// What one loaded WAV or MP3 file holds: its kind, its tags with their values, and where each
// part lies, so that a writer can rebuild the file around the parts it changes.
#pragma once

#include "FieldNames.h"
#include "FileReader.h"
#include "Id3v1Tag.h"
#include "Id3v2Reader.h"
#include "Picture.h"
#include "RiffLayout.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace mp3infp {

class TagFile {
public:
  static constexpr std::uint32_t kMp3 = 1;
  static constexpr std::uint32_t kWav = 2;

  // Null when the path names no readable WAV or MP3 file.
  static std::unique_ptr<TagFile> Open(const std::string& absolutePath);
  // The file `onDisk` would be with `pieces` (ranges of it, literal bytes) written in its place,
  // read from memory and from `onDisk`, which must outlive it; null when that reads as no WAV or
  // MP3 file.
  static std::unique_ptr<TagFile> Staged(const TagFile& onDisk, std::vector<Piece> pieces);

  std::uint32_t type() const { return type_; }
  bool isRmp3() const { return rmp3_; }
  std::uint32_t tagBits() const;
  // The values of one tag, or null when the file cannot have it. A WAV file's (TagKind::Info)
  // are its INFO list's, and its 'id3 ' chunk's for the fields INFO has no item for.
  const FieldValues* values(TagKind kind) const;
  const std::string& time() const { return time_; }
  // The playing time in whole milliseconds as decimal text, worked out exactly: a WAV file's
  // sample frames, an MP3 stream's decoded samples (MeasureMpeg). Empty when unknown.
  std::string exactTime() const;
  const std::string& path() const { return path_; }
  const std::string& folder() const { return folder_; }
  const std::string& baseName() const { return baseName_; }

  const FileReader& reader() const { return reader_; }
  const RiffLayout& riff() const { return riff_; }
  // The items of each INFO list, in file order.
  const std::vector<InfoItems>& infoLists() const { return info_; }
  // False when an INFO list holds bytes that are not items.
  bool infoComplete() const { return infoComplete_; }
  bool hasInfoList() const { return riff_.firstInfoList() != nullptr; }
  // A WAV file's ID3v2 tag lives in an 'id3 ' (or 'ID3 ') chunk.
  bool hasId3Chunk() const {
    return type_ == kWav && (riff_.find("id3 ") != nullptr || riff_.find("ID3 ") != nullptr);
  }
  // The first such chunk when it holds an ID3v2 tag we read (and so may rebuild), and the
  // values of that tag; null otherwise.
  const RiffChunk* id3Chunk() const {
    return id3ChunkIndex_ ? &riff_.chunks()[id3ChunkIndex_ - 1] : nullptr;
  }
  const FieldValues* id3ChunkValues() const { return id3ChunkIndex_ ? &chunkV2Values_ : nullptr; }
  // The MPEG stream: the whole file, or the body of an RMP3 file's 'data' chunk. ID3v2, APE
  // and ID3v1 tags are looked for at its start and end.
  std::uint64_t streamStart() const { return streamStart_; }
  std::uint64_t streamEnd() const { return streamEnd_; }
  // Bytes of the ID3v2 tag at the start of the stream; 0 when it has none.
  std::uint64_t id3v2Size() const { return id3v2Size_; }
  const Id3v1Tag* id3v1() const { return hasId3v1_ ? &id3v1_ : nullptr; }
  // The cover in the ID3v2 tag of an MP3 stream or a WAV file's 'id3 ' chunk (ReadId3v2Picture),
  // read from the file when asked.
  std::optional<Picture> picture() const;
  std::uint64_t id3v1Offset() const { return streamEnd_ - Id3v1Tag::kSize; }

private:
  bool load(const std::string& absolutePath);
  bool parse(const std::string& absolutePath);
  bool loadWave();
  bool loadRmp3();
  bool loadStream();

  FileReader reader_;
  RiffLayout riff_;
  std::uint32_t type_ = 0;
  bool rmp3_ = false;
  std::string path_, folder_, baseName_, time_;
  std::vector<InfoItems> info_;
  bool infoComplete_ = true;
  FieldValues infoValues_, v1Values_, v2Values_, chunkV2Values_;
  std::size_t id3ChunkIndex_ = 0; // one past the chunk's index; 0 for none
  std::uint64_t streamStart_ = 0, streamEnd_ = 0;
  std::uint64_t audioStart_ = 0, audioEnd_ = 0; // the MPEG frames, tags left out
  std::int64_t waveMilliseconds_ = -1;
  bool hasId3v1_ = false;
  Id3v1Tag id3v1_;
  int id3v2Major_ = 0;
  std::uint64_t id3v2Size_ = 0;
  int apeVersion_ = 0;
};

// Seconds as "m:ss", or "h:mm:ss" from an hour up; empty for a negative value.
std::string FormatPlayingTime(double seconds);

} // namespace mp3infp
