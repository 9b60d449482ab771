// A tag write rewrites its file once, whatever tags it makes on the way: one temporary file
// written once and synced, one rename, the folder synced. The test's own write, fsync and rename,
// exported, stand in front of the C library's for the tag library too and count its calls.
#include "core/tags/TagFieldAccess.h"

#include "../../mp3infp/Mp3infpTestFiles.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>

#include <atomic>

namespace {

using namespace mp3infp_test;

std::atomic<long> syncs{0}, renames{0}, written{0};

template <auto F> decltype(F) Real(const char* name) {
  static const auto real = reinterpret_cast<decltype(F)>(::dlsym(RTLD_NEXT, name));
  return real;
}

} // namespace

extern "C" {
ssize_t write(int fd, const void* data, size_t size) {
  const ssize_t n = Real<&::write>("write")(fd, data, size);
  struct stat st {};
  if (n > 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
    written += n;
  return n;
}
int fsync(int fd) {
  ++syncs;
  return Real<&::fsync>("fsync")(fd);
}
int rename(const char* from, const char* to) noexcept {
  ++renames;
  return Real<&::rename>("rename")(from, to);
}
}

namespace {

// Each kind of file in each format: a bare MP3 is wrapped in RIFF 'RMP3' with a new ID3v1 tag,
// or gets an ID3v2 tag with an ID3v1 mirror; an RMP3 file is unwrapped; a WAV file gets an
// 'id3 ' chunk beside its INFO list.
TEST(TagWriteSync, EachWriteRewritesTheFileOnce) {
  TempDir dir;
  const Bytes mp3 = shortMp3();
  using Format = Options::Mp3Format;
  const struct {
    const char* name;
    Format format;
    Bytes bytes;
  } cases[] = {{"bare.mp3", Format::Rmp, mp3},
               {"bare.mp3", Format::Id3v2, mp3},
               {"wrapped.mp3", Format::Id3v2,
                riff("RMP3", {chunk("data", mp3), fixtures::makeInfoList({{"INAM", "old"}})})},
               {"a.wav", Format::Id3v2, fixtures::makeWavWithChunks({.seconds = 0.2}, {})}};
  MP3INFP_HANDLE* handle = mp3infph_Create();
  for (const auto& c : cases) {
    const fs::path path = dir / c.name;
    writeFile(path, c.bytes);
    ASSERT_EQ(mp3infph_Load(handle, path.c_str()), 0u);
    syncs = renames = written = 0;
    for (const TagField field : {TagField::Title, TagField::Artist})
      ASSERT_TRUE(TagFieldAccess::SetValue(field, QStringLiteral("夜明け"), path.c_str(), c.format,
                                           handle));
    ASSERT_EQ(mp3infph_Save(handle, path.c_str()), 0u);
    const Bytes file = readFile(path);
    EXPECT_EQ(renames, 1) << c.name;
    EXPECT_LE(syncs, 2) << c.name;
    EXPECT_EQ(written, static_cast<long>(file.size())) << c.name << ": written more than once";
    if (c.format != Format::Rmp)
      continue;
    // RIFF 'RMP3': the stream and a new ID3v1.0 tag (no genre) in the 'data' chunk, padded to a
    // word, then the INFO list, each item CP932 with a NUL, padded.
    const std::string title = "\x96\xe9\x96\xbe\x82\xaf";
    const Bytes v1 = fixtures::makeId3v1("", "", "", "", "");
    EXPECT_EQ(file, riff("RMP3", {chunk("data", concat({mp3, v1})),
                                  fixtures::makeInfoList({{"IART", title}, {"INAM", title}})}));
  }
  mp3infph_Destroy(handle);
}

} // namespace
