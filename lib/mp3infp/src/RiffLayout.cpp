#include "RiffLayout.h"

namespace mp3infp {

namespace {

// INFO lists larger than this are not real tags; they are kept as opaque chunks.
constexpr std::uint64_t kMaxInfoList = 4u << 20;

// Walks the sub-items of one INFO list body, keeping each value's bytes as stored. Stops at
// the first item that does not fit; false when that leaves bytes other than zeros unread.
bool parseInfoBody(const std::string& body, InfoItems& items) {
  std::size_t pos = 4; // after "INFO"
  while (pos + 8 <= body.size()) {
    const std::string id = body.substr(pos, 4);
    if (!IsValidFourcc(id))
      break;
    const std::uint32_t size = ReadLE32(body.data() + pos + 4);
    if (size > body.size() - pos - 8)
      break;
    pos += 8;
    items.emplace_back(id, body.substr(pos, size));
    pos += size;
    // As with chunks, some writers leave out the pad byte after an odd value.
    if ((size & 1) && pos < body.size()) {
      const bool zero = body[pos] == '\0';
      const bool idWithoutPad = pos + 4 <= body.size() && IsValidFourcc(body.substr(pos, 4));
      if (zero || !idWithoutPad)
        ++pos;
    }
  }
  return body.find_first_not_of('\0', pos) == std::string::npos;
}

} // namespace

std::uint32_t ReadLE32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::uint32_t>(u[0]) | (static_cast<std::uint32_t>(u[1]) << 8) |
         (static_cast<std::uint32_t>(u[2]) << 16) | (static_cast<std::uint32_t>(u[3]) << 24);
}

void AppendLE32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

bool IsValidFourcc(const std::string& id) {
  if (id.size() != 4)
    return false;
  for (const char c : id)
    if (c < 0x20 || c > 0x7E)
      return false;
  return true;
}

bool RiffLayout::read(const FileReader& file) {
  std::string header;
  if (!file.read(0, 12, header))
    return false;
  const std::string kind = header.substr(0, 4);
  rf64_ = kind == "RF64" || kind == "BW64";
  if (kind != "RIFF" && !rf64_)
    return false;
  form_ = header.substr(8, 4);
  chunks_.clear();
  infoLists_.clear();
  std::uint64_t declared = 8 + static_cast<std::uint64_t>(ReadLE32(header.data() + 4));
  std::uint64_t dataSize = 0;
  std::string ds64;
  if (rf64_ && file.read(12, 32, ds64) && ds64.compare(0, 4, "ds64") == 0) {
    const auto le64 = [&ds64](std::size_t at) {
      return ReadLE32(ds64.data() + at) | std::uint64_t{ReadLE32(ds64.data() + at + 4)} << 32;
    };
    declared = 8 + le64(8);
    dataSize = le64(16);
  }
  bodyEnd_ = declared < file.size() ? declared : file.size();
  sound_ = declared <= file.size();

  std::uint64_t pos = 12;
  while (pos + 8 <= bodyEnd_) {
    std::string head;
    if (!file.read(pos, 8, head))
      break;
    RiffChunk chunk;
    chunk.id = head.substr(0, 4);
    if (!IsValidFourcc(chunk.id)) {
      sound_ = false;
      break;
    }
    chunk.offset = pos;
    chunk.size = ReadLE32(head.data() + 4);
    if (rf64_ && chunk.id == "data" && chunk.size == 0xFFFFFFFFu)
      chunk.size = dataSize;
    chunk.dataOffset = pos + 8;
    const std::uint64_t room = bodyEnd_ - chunk.dataOffset;
    chunk.available = chunk.size <= room ? chunk.size : room;
    std::uint64_t next = chunk.dataOffset + chunk.available;
    if (chunk.size > room) {
      chunks_.push_back(chunk);
      sound_ = false;
      break;
    }
    if ((chunk.size & 1) && next < bodyEnd_) {
      // Some writers leave out the pad byte: take it only when the byte is zero or the
      // chunk would not line up with a valid header otherwise.
      std::string after = file.readUpTo(next, 5);
      const bool zero = !after.empty() && after[0] == '\0';
      const bool idWithoutPad = after.size() >= 4 && IsValidFourcc(after.substr(0, 4));
      chunk.padded = zero || !idWithoutPad;
      if (chunk.padded)
        ++next;
    }
    chunks_.push_back(chunk);
    pos = next;
  }
  if (pos != bodyEnd_)
    sound_ = false;
  infoLists_.reserve(chunks_.size());
  for (const RiffChunk& c : chunks_)
    infoLists_.push_back(isInfoList(file, c));
  return true;
}

bool RiffLayout::isInfoList(const FileReader& file, const RiffChunk& chunk) const {
  if (chunk.id != "LIST" || chunk.available < 4 || chunk.available > kMaxInfoList)
    return false;
  std::string type;
  return file.read(chunk.dataOffset, 4, type) && type == "INFO";
}

const RiffChunk* RiffLayout::find(const std::string& id) const {
  for (const RiffChunk& c : chunks_)
    if (c.id == id)
      return &c;
  return nullptr;
}

const RiffChunk* RiffLayout::firstInfoList() const {
  for (std::size_t i = 0; i < chunks_.size(); ++i)
    if (infoLists_[i])
      return &chunks_[i];
  return nullptr;
}

std::vector<InfoItems> RiffLayout::readInfo(const FileReader& file, bool& complete) const {
  std::vector<InfoItems> lists;
  complete = true;
  for (std::size_t i = 0; i < chunks_.size(); ++i) {
    if (!infoLists_[i])
      continue;
    std::string body;
    if (!file.read(chunks_[i].dataOffset, static_cast<std::size_t>(chunks_[i].available), body) ||
        !parseInfoBody(body, lists.emplace_back()))
      complete = false;
  }
  return lists;
}

std::string RenderInfoList(const InfoItems& items) {
  std::string body = "INFO";
  for (const auto& [id, raw] : items) {
    body += id;
    AppendLE32(body, static_cast<std::uint32_t>(raw.size()));
    body += raw;
    if (raw.size() & 1)
      body.push_back('\0');
  }
  std::string out = "LIST";
  AppendLE32(out, static_cast<std::uint32_t>(body.size()));
  return out + body;
}

} // namespace mp3infp
