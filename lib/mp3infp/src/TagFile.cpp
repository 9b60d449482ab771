#include "TagFile.h"

#include "LegacyText.h"
#include "MpegStream.h"

#include <cmath>
#include <cstdio>

namespace mp3infp {

namespace {

// ID3v2 tags larger than this (huge pictures) are recognised but their text is not read.
constexpr std::uint64_t kMaxId3v2 = 64u << 20;

// Of a file with several INFO lists (a tool added one instead of rewriting the first), an item
// reads from the first list that holds it: what every list says is shown, and TagLib, which reads
// the first list alone, agrees where they differ.
FieldValues infoValues(const std::vector<InfoItems>& lists) {
  FieldValues v;
  for (const InfoItems& items : lists)
    for (const auto& [id, raw] : items) {
      if (v.find(id) != v.end())
        continue;
      std::string text = raw;
      while (!text.empty() && text.back() == '\0')
        text.pop_back();
      v[id] = DecodeLegacy(text);
    }
  // Tools built on TagLib keep the track number in IPRT alone.
  const auto part = v.find("IPRT");
  if (part != v.end())
    v.emplace(kTrackId, part->second);
  // An item named like a field INFO has no item for is someone else's: never that field.
  for (const Field& f : kFields)
    if (f.inInfo)
      v.emplace(f.id, std::string());
    else
      v.erase(f.id);
  return v;
}

} // namespace

std::string FormatPlayingTime(double seconds) {
  if (!(seconds >= 0) || seconds > 1e9)
    return {};
  const auto total = static_cast<long long>(std::llround(seconds));
  char text[48];
  if (total >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", total / 3600, (total / 60) % 60,
                  total % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", total / 60, total % 60);
  return text;
}

std::unique_ptr<TagFile> TagFile::Open(const std::string& absolutePath) {
  std::unique_ptr<TagFile> file(new TagFile);
  if (!file->load(absolutePath))
    return nullptr;
  return file;
}

std::unique_ptr<TagFile> TagFile::Staged(const TagFile& onDisk, std::vector<Piece> pieces) {
  std::unique_ptr<TagFile> file(new TagFile);
  file->reader_.openPieces(onDisk.reader(), std::move(pieces));
  if (!file->parse(onDisk.path()))
    return nullptr;
  return file;
}

bool TagFile::load(const std::string& absolutePath) {
  return reader_.open(absolutePath) && parse(absolutePath);
}

bool TagFile::parse(const std::string& absolutePath) {
  if (reader_.size() == 0)
    return false;
  path_ = absolutePath;
  const auto slash = path_.rfind('/');
  folder_ = slash == std::string::npos ? std::string(".") : path_.substr(0, slash);
  baseName_ = slash == std::string::npos ? path_ : path_.substr(slash + 1);
  const auto dot = baseName_.rfind('.');
  if (dot != std::string::npos && dot > 0)
    baseName_.resize(dot);

  if (riff_.read(reader_)) {
    if (riff_.form() == "WAVE")
      return loadWave();
    if (riff_.form() == "RMP3" && !riff_.rf64())
      return loadRmp3();
    return false;
  }
  streamStart_ = 0;
  streamEnd_ = reader_.size();
  return loadStream();
}

bool TagFile::loadWave() {
  type_ = kWav;
  info_ = riff_.readInfo(reader_, infoComplete_);
  infoValues_ = infoValues(info_);
  for (std::size_t i = 0; i < riff_.chunks().size(); ++i) {
    const RiffChunk& chunk = riff_.chunks()[i];
    if (chunk.id != "id3 " && chunk.id != "ID3 ")
      continue;
    std::string tag;
    Id3v2Header header;
    if (chunk.available <= kMaxId3v2 &&
        reader_.read(chunk.dataOffset, static_cast<std::size_t>(chunk.available), tag) &&
        ParseId3v2Header(tag, header) && header.total <= tag.size()) {
      id3ChunkIndex_ = i + 1;
      chunkV2Values_ = ReadId3v2Fields(tag);
    }
    break;
  }
  // The fields INFO has no item for are the chunk's.
  for (const Field& f : kFields)
    if (!f.inInfo)
      infoValues_[f.id] = id3ChunkIndex_ ? chunkV2Values_[f.id] : std::string();
  const RiffChunk* fmt = riff_.find("fmt ");
  const RiffChunk* data = riff_.find("data");
  std::string f;
  if (fmt && data && fmt->available >= 16 && reader_.read(fmt->dataOffset, 16, f)) {
    const auto* p = reinterpret_cast<const unsigned char*>(f.data());
    const unsigned channels = p[2] | (p[3] << 8);
    const std::uint32_t rate = ReadLE32(f.data() + 4);
    std::uint32_t byteRate = ReadLE32(f.data() + 8);
    unsigned blockAlign = p[12] | (p[13] << 8);
    const unsigned bits = p[14] | (p[15] << 8);
    if (byteRate == 0)
      byteRate = static_cast<std::uint32_t>(std::uint64_t{rate} * channels * bits / 8);
    if (byteRate > 0)
      time_ = FormatPlayingTime(static_cast<double>(data->available) / byteRate);
    if (blockAlign == 0)
      blockAlign = channels * ((bits + 7) / 8);
    if (blockAlign > 0 && rate > 0) {
      const std::uint64_t frames = data->available / blockAlign;
      waveMilliseconds_ = static_cast<std::int64_t>((frames * 1000 + rate / 2) / rate);
    }
  }
  return true;
}

bool TagFile::loadRmp3() {
  const RiffChunk* data = riff_.find("data");
  if (!data)
    return false;
  rmp3_ = true;
  info_ = riff_.readInfo(reader_, infoComplete_);
  infoValues_ = infoValues(info_);
  streamStart_ = data->dataOffset;
  streamEnd_ = data->dataOffset + data->available;
  loadStream();
  return true; // a RIFF 'RMP3' file is an MP3 file even when its stream is damaged
}

bool TagFile::loadStream() {
  type_ = kMp3;
  std::uint64_t audioStart = streamStart_;
  std::string head;
  Id3v2Header v2;
  if (reader_.read(streamStart_, 10, head) && ParseId3v2Header(head, v2) &&
      v2.total <= streamEnd_ - streamStart_) {
    id3v2Major_ = v2.major;
    id3v2Size_ = v2.total;
    audioStart += v2.total;
    std::string tag;
    if (v2.total <= kMaxId3v2 &&
        reader_.read(streamStart_, static_cast<std::size_t>(v2.total), tag))
      v2Values_ = ReadId3v2Fields(tag);
  }

  std::uint64_t audioEnd = streamEnd_;
  std::string raw;
  if (audioEnd - audioStart >= Id3v1Tag::kSize &&
      reader_.read(audioEnd - Id3v1Tag::kSize, Id3v1Tag::kSize, raw) && id3v1_.parse(raw)) {
    hasId3v1_ = true;
    v1Values_ = id3v1_.values();
    audioEnd -= Id3v1Tag::kSize;
  }

  std::string footer;
  if (audioEnd - audioStart >= 32 && reader_.read(audioEnd - 32, 32, footer) &&
      footer.compare(0, 8, "APETAGEX") == 0) {
    const std::uint32_t version = ReadLE32(footer.data() + 8);
    const std::uint64_t size = ReadLE32(footer.data() + 12);
    const bool header = (ReadLE32(footer.data() + 20) & 0x80000000u) != 0;
    const std::uint64_t whole = size + (header ? 32 : 0);
    if (size >= 32 && whole <= audioEnd - audioStart && (version == 1000 || version == 2000)) {
      apeVersion_ = static_cast<int>(version);
      audioEnd -= whole;
    }
  }

  audioStart_ = audioStart;
  audioEnd_ = audioEnd;
  const MpegInfo mpeg = ProbeMpeg(reader_, audioStart, audioEnd);
  time_ = FormatPlayingTime(mpeg.seconds);
  return mpeg.found || id3v2Major_ != 0;
}

std::string TagFile::exactTime() const {
  std::int64_t ms = -1;
  if (type_ == kWav) {
    ms = waveMilliseconds_;
  } else if (type_ == kMp3) {
    const MpegLength length = MeasureMpeg(reader_, audioStart_, audioEnd_);
    if (length.samples >= 0 && length.sampleRate > 0)
      ms = (length.samples * 1000 + length.sampleRate / 2) / length.sampleRate;
  }
  return ms < 0 ? std::string() : std::to_string(ms);
}

std::optional<Picture> TagFile::picture() const {
  const RiffChunk* chunk = id3Chunk(); // a WAV file's only place for one
  const std::uint64_t at = chunk ? chunk->dataOffset : streamStart_;
  const std::uint64_t size = chunk ? chunk->available : type_ == kMp3 ? id3v2Size_ : 0;
  std::string tag;
  if (size == 0 || size > kMaxId3v2 || !reader_.read(at, static_cast<std::size_t>(size), tag))
    return std::nullopt;
  return ReadId3v2Picture(tag);
}

std::uint32_t TagFile::tagBits() const {
  if (type_ != kMp3)
    return 0;
  std::uint32_t bits = 0;
  if (hasId3v1_)
    bits |= 0x01 | (id3v1_.hasTrack() ? 0x10 : 0x08);
  if (id3v2Major_)
    bits |= 0x02 | (id3v2Major_ == 2 ? 0x20 : id3v2Major_ == 4 ? 0x80 : 0);
  if (rmp3_ && hasInfoList())
    bits |= 0x04;
  if (apeVersion_ == 1000)
    bits |= 0x100;
  if (apeVersion_ == 2000)
    bits |= 0x200;
  return bits;
}

const FieldValues* TagFile::values(TagKind kind) const {
  switch (kind) {
  case TagKind::Info:
    return type_ == kWav ? &infoValues_ : nullptr;
  case TagKind::Rmp:
    return rmp3_ ? &infoValues_ : nullptr;
  case TagKind::Id3v1:
    return hasId3v1_ ? &v1Values_ : nullptr;
  case TagKind::Id3v2:
    return id3v2Major_ ? &v2Values_ : nullptr;
  case TagKind::None:
    break;
  }
  return nullptr;
}

} // namespace mp3infp
