// A tag write rewrites its file once, whatever tags it has to make on the way: one temporary
// file written once, synced, renamed over the file, and the folder synced. The test's own
// definitions of write, fsync and rename, exported, stand in front of the C library's for the
// tag library too and count what it does.
#include "core/tags/TagFieldAccess.h"

#include "AudioFixtures.h"
#include "QtPath.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>

namespace {

using fixtures::Bytes;
namespace fs = std::filesystem;

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
int fdatasync(int fd) {
  ++syncs;
  return Real<&::fdatasync>("fdatasync")(fd);
}
int rename(const char* from, const char* to) noexcept {
  ++renames;
  return Real<&::rename>("rename")(from, to);
}
int renameat(int fromDir, const char* from, int toDir, const char* to) noexcept {
  ++renames;
  return Real<&::renameat>("renameat")(fromDir, from, toDir, to);
}
}

namespace {

void appendLE32(Bytes& out, std::size_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Each kind of file in each format: a bare MP3 is wrapped in RIFF 'RMP3' with a new ID3v1 tag,
// or gets an ID3v2 tag and an ID3v1 mirror; an RMP3 file is unwrapped; a WAV file gets an 'id3 '
// chunk beside its INFO list.
TEST(TagWriteSync, EachWriteRewritesTheFileOnce) {
  fixtures::TempDir dir;
  const Bytes mp3 = fixtures::makeMp3(0.5);
  const Bytes wav = fixtures::makeWavWithChunks({.seconds = 0.2}, {});
  using Format = Options::Mp3Format;
  const struct {
    const char* name;
    Format format;
    const Bytes& bytes;
  } cases[] = {{"bare.mp3", Format::Rmp, mp3},
               {"bare.mp3", Format::Id3v2, mp3},
               {"wrapped.mp3", Format::Id3v2, mp3},
               {"a.wav", Format::Id3v2, wav}};
  MP3INFP_HANDLE* handle = mp3infph_Create();
  for (const auto& c : cases) {
    const fs::path path = dir / c.name;
    fixtures::writeFile(path, c.bytes);
    if (c.name[0] == 'w') {
      ASSERT_TRUE(mp3infph_Load(handle, path.c_str()) == 0 &&
                  mp3infph_mp3_MakeRMP(handle, path.c_str()) == 0);
    }
    ASSERT_EQ(mp3infph_Load(handle, path.c_str()), 0u);
    syncs = renames = written = 0;
    const QByteArray bytes = path.c_str();
    ASSERT_TRUE(TagFieldAccess::SetTagValue(TagFieldAccess::kTitle, QStringLiteral("夜明け"), bytes,
                                            c.format, handle));
    ASSERT_TRUE(TagFieldAccess::SetTagValue(TagFieldAccess::kArtist, QStringLiteral("歌手"), bytes,
                                            c.format, handle));
    ASSERT_EQ(mp3infph_Save(handle, path.c_str()), 0u);
    const Bytes file = fixtures::readFile(path);
    EXPECT_EQ(renames, 1) << c.name;
    EXPECT_LE(syncs, 2) << c.name;
    EXPECT_EQ(written, static_cast<long>(file.size())) << c.name << ": written more than once";
    if (c.format != Format::Rmp)
      continue;
    // RIFF 'RMP3': the stream with the new ID3v1 tag (no track: v1.0, no genre) in the 'data'
    // chunk, a pad byte to the word, and the INFO list, its items in CP932 with a NUL, padded.
    Bytes body = {'R', 'M', 'P', '3', 'd', 'a', 't', 'a'};
    appendLE32(body, mp3.size() + 128);
    body.insert(body.end(), mp3.begin(), mp3.end());
    const Bytes v1 = fixtures::makeId3v1("", "", "", "", "");
    body.insert(body.end(), v1.begin(), v1.end());
    if (body.size() % 2)
      body.push_back(0);
    const Bytes info = fixtures::makeInfoList(
        {{"IART", "\x89\xcc\x8e\xe8"}, {"INAM", "\x96\xe9\x96\xbe\x82\xaf"}});
    body.insert(body.end(), info.begin(), info.end());
    Bytes want = {'R', 'I', 'F', 'F'};
    appendLE32(want, body.size());
    want.insert(want.end(), body.begin(), body.end());
    EXPECT_EQ(file, want);
  }
  mp3infph_Destroy(handle);
}

} // namespace
