// libFuzzer entry: any bytes as a file, loaded and read through every value name and its cover,
// then written every way a file can be: an MP3 file takes ID3v2 values (with the ID3v1 mirror)
// and a cover; is given an ID3v1 tag when it has no ID3 tag and wrapped in RMP3, both made in
// memory and written with a value there in one save (as the program writes RIFF SIF); and is
// unwrapped again by mp3infp_MakeId3v2; a WAV file takes an INFO value, an 'id3 ' chunk and another
// value that goes to both. Each write either holds its values afterwards, with the other tags read
// as before, or leaves the file byte for byte as it was, and never leaves a temporary file behind.
// TMPDIR on a memory file system keeps it fast.
//
// Inputs whose first byte has its high bit set are ID3v2 frames rather than a whole file: they
// get a tag header (version and flags from the next bytes) and MPEG frames after them, and with
// bit 0x40 also a zlib-compressed TIT2 frame made from their tail, so that the frame walk, its
// lenient readings and the bounded inflating are reached without guessing sizes.
#include "mp3infp_handle.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const kNames[] = {
    "INAM",    "IART",     "IPRD",     "ICMT",     "ICRD",     "IGNR",     "INAM_v1",  "IART_v1",
    "IPRD_v1", "ICMT_v1",  "ICRD_v1",  "IGNR_v1",  "INAM_v2",  "IART_v2",  "IPRD_v2",  "ICMT_v2",
    "ICRD_v2", "IGNR_v2",  "INAM_rmp", "IART_rmp", "IPRD_rmp", "ICMT_rmp", "ICRD_rmp", "IGNR_rmp",
    "TIME",    "TIME_MS",  "PATH",     "FILE",     "ITRK",     "ITRK_v1",  "ITRK_v2",  "ITRK_rmp",
    "TPE2",    "TPE2_v2",  "TPOS",     "TPOS_v2",  "IMUS",     "IMUS_v2",  "IMUS_rmp", "IWRI",
    "IWRI_v2", "IWRI_rmp", "TSOT",     "TSOT_v2",  "TSOP",     "TSOP_v2",  "TSOA",     "TSOA_v2"};

// As far as the cover check reads a JPEG: start of image, a frame header of 1x1 pixels.
const unsigned char kCover[] = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x0B, 0x08, 0x00, 0x01,
                                0x00, 0x01, 0x01, 0x01, 0x11, 0x00, 0xFF, 0xD9};

std::string picture() {
  const char* mime = nullptr;
  const void* data = nullptr;
  std::uint32_t size = 0;
  mp3infp_GetPicture(&mime, &data, &size);
  if (!mime || (size > 0 && !data))
    std::abort();
  return std::string(static_cast<const char*>(data), size);
}

std::string inputFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder =
      std::string(dir ? dir : "/tmp") + "/mp3infp_fuzz_" + std::to_string(::getpid());
  ::mkdir(folder.c_str(), 0700);
  return folder;
}

bool temporaryLeft(const std::string& folder) {
  bool found = false;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* e = ::readdir(dir))
      found = found || std::strncmp(e->d_name, ".w2m-", 5) == 0;
    ::closedir(dir);
  }
  return found;
}

void appendBE(std::string& out, std::uint32_t v, int bitsPerByte) {
  for (int shift = 3 * bitsPerByte; shift >= 0; shift -= bitsPerByte)
    out += static_cast<char>((v >> shift) & ((1u << bitsPerByte) - 1));
}

// An ID3v2 tag around the input's frames, then a few silent MPEG-1 layer III frames.
std::string taggedStream(const std::uint8_t* data, std::size_t size) {
  if (size < 4)
    return {};
  const int major = 2 + data[1] % 3;
  std::string frames(reinterpret_cast<const char*>(data) + 4, size - 4);
  if ((data[0] & 0x40) && major > 2) {
    const std::size_t cut = std::min<std::size_t>(frames.size(), data[3] * 4u);
    const std::string plain = frames.substr(frames.size() - cut);
    frames.resize(frames.size() - cut);
    uLongf packedSize = compressBound(static_cast<uLong>(plain.size()));
    std::string packed(packedSize, '\0');
    if (compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                 reinterpret_cast<const Bytef*>(plain.data()),
                 static_cast<uLong>(plain.size())) != Z_OK)
      return {};
    packed.resize(packedSize);
    std::string body;
    appendBE(body, static_cast<std::uint32_t>(plain.size()), major == 4 ? 7 : 8);
    body += packed;
    std::string frame = "TIT2";
    appendBE(frame, static_cast<std::uint32_t>(body.size()), major == 4 ? 7 : 8);
    frame += '\0';
    frame += static_cast<char>(major == 4 ? 0x09 : 0x80);
    frames = frame + body + frames;
  }
  std::string out = "ID3";
  out += static_cast<char>(major);
  out += '\0';
  out += static_cast<char>(data[2]);
  appendBE(out, static_cast<std::uint32_t>(frames.size()), 7);
  out += frames;
  for (int i = 0; i < 4; ++i) {
    std::string mpeg(417, '\0');
    mpeg.replace(0, 4, "\xFF\xFB\x90\x64");
    out += mpeg;
  }
  return out;
}

std::string value(const char* name) {
  char* v = nullptr;
  mp3infp_GetValue(name, &v);
  if (!v)
    std::abort();
  return v;
}

std::string fileBytes(const std::string& path) {
  std::string out;
  if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
    char block[65536];
    for (std::size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
      out.append(block, n);
    std::fclose(f);
  }
  return out;
}

void check(bool ok) {
  if (!ok)
    std::abort();
}

// Runs one change of the loaded file: true when done, else the file is as it was and the
// values set are dropped.
bool changed(const std::string& path, std::uint32_t (*change)(const char*)) {
  const std::string before = fileBytes(path);
  if (change(path.c_str()) == 0)
    return true;
  check(fileBytes(path) == before);
  check(mp3infp_Load(nullptr, path.c_str()) == 0);
  return false;
}

// ID3v2 values that the ID3v1 mirror must cut, mark and number, and a cover.
void writeId3v2(const std::string& path) {
  if (mp3infp_GetType() != 1)
    return;
  check(mp3infp_SetValue("INAM_v2", "🎵あいうえおかきくけこさしすせそ") == 0);
  check(mp3infp_SetValue("IGNR_v2", "17") == 0);
  check(mp3infp_SetValue("ICRD_v2", "2024-05-01") == 0);
  check(mp3infp_SetValue("ITRK_v2", "3/12") == 0);
  const bool cover = mp3infp_SetPicture(kCover, sizeof kCover) == MP3INFP_PICTURE_OK;
  if (!changed(path, mp3infp_Save))
    return;
  check(mp3infp_Load(nullptr, path.c_str()) == 0 && (mp3infp_mp3_GetTagType() & 0x02));
  check(value("INAM_v2") == "🎵あいうえおかきくけこさしすせそ" && value("IGNR_v2") == "Rock" &&
        value("ICRD_v2") == "2024" && value("ITRK_v2") == "3/12");
  // An ID3v1 tag, when the file has one, mirrors the ID3v2 tag.
  check(!(mp3infp_mp3_GetTagType() & 0x01) ||
        (value("INAM_v1") == "?あいうえおかきくけこさしすせ" && value("IGNR_v1") == "Rock" &&
         value("ICRD_v1") == "2024" && value("ITRK_v1") == "3"));
  check(!cover || picture() == std::string(reinterpret_cast<const char*>(kCover), sizeof kCover));
}

// An RMP3 file becomes its stream with the INFO title in the ID3v2 tag; an MP3 file without an
// ID3v2 tag gets one; a WAV file an 'id3 ' chunk, which the next INFO value reaches too.
void makeId3v2(const std::string& path) {
  const std::uint32_t bits = mp3infp_mp3_GetTagType();
  const std::string title = value(bits & 0x04 ? "INAM_rmp" : "INAM_v2");
  if (!changed(path, mp3infp_MakeId3v2))
    return;
  if (mp3infp_GetType() == 1) {
    check((mp3infp_mp3_GetTagType() & 0x06) == 0x02);
    check(title.empty() || value("INAM_v2") == title);
    return;
  }
  check(mp3infp_SetValue("INAM", "fuzz id3") == 0);
  if (changed(path, mp3infp_Save))
    check(mp3infp_Load(nullptr, path.c_str()) == 0 && value("INAM") == "fuzz id3");
}

// Writes the title through the tag a WAV or MP3 file takes it in, the tags an MP3 file needs made
// in memory and written by the save.
void writeTitle(const std::string& path, const std::string& data) {
  const bool mp3 = mp3infp_GetType() == 1;
  const std::string v1 = value("INAM_v1"), v2 = value("INAM_v2"), time = value("TIME");
  const std::uint32_t bits = mp3infp_mp3_GetTagType();
  mp3infph_DeferMakes(nullptr, 1);
  const bool made = !mp3 || (((bits & 0x03) || mp3infp_mp3_MakeId3v1(path.c_str()) == 0) &&
                             ((bits & 0x04) || mp3infp_mp3_MakeRMP(path.c_str()) == 0));
  mp3infph_DeferMakes(nullptr, 0);
  check(fileBytes(path) == data);
  if (!made)
    return;
  if (mp3) {
    const std::uint32_t now = mp3infp_mp3_GetTagType();
    check((now & 0x04) && (now | 0x1D) == (bits | 0x1D) && ((bits & 0x03) || (now & 0x01)));
    check(value("INAM_v1") == v1 && value("INAM_v2") == v2 && value("TIME") == time);
  }
  const char* name = mp3 ? "INAM_rmp" : "INAM";
  check(mp3infp_SetValue(name, "fuzz") == 0);
  if (mp3infp_Save(path.c_str()) != 0) {
    check(fileBytes(path) == data);
    return;
  }
  check(mp3infp_Load(nullptr, path.c_str()) == 0 && value(name) == "fuzz");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string folder = inputFolder();
  static const std::string path = folder + "/input.mp3";
  const std::string bytes = size > 0 && (data[0] & 0x80)
                                ? taggedStream(data, size)
                                : std::string(reinterpret_cast<const char*>(data), size);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f)
    return 0;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  if (mp3infp_Load(nullptr, path.c_str()) == 0) {
    mp3infp_GetType();
    mp3infp_mp3_GetTagType();
    for (const char* name : kNames)
      value(name);
    picture();
    writeId3v2(path);
    writeTitle(path, fileBytes(path));
    if (mp3infp_Load(nullptr, path.c_str()) == 0)
      makeId3v2(path);
    check(!temporaryLeft(folder));
  }
  return 0;
}
