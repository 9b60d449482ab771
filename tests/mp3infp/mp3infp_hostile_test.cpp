// The tag library against files that are odd or hostile: special files, tags that would cost
// gigabytes, ID3v2 bent by real writers, and saves that must not lose data.
#include "Mp3infpTestFiles.h"

#include <zlib.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <set>
#include <tuple>

#if defined(__SANITIZE_ADDRESS__)
#define W2M_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define W2M_ASAN 1
#endif
#endif

namespace {

using namespace mp3infp_test;

Bytes deflated(const std::string& text) {
  uLongf size = compressBound(static_cast<uLong>(text.size()));
  Bytes out(size);
  compress(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), text.size());
  out.resize(size);
  return out;
}

std::set<std::string> namesIn(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir))
    names.insert(e.path().filename().string());
  return names;
}

// Runs `body` in a child process; its wait status.
template <typename Body> int inChild(Body body) {
  const pid_t child = ::fork();
  if (child == 0)
    ::_exit(body());
  int status = -1;
  ::waitpid(child, &status, 0);
  return status;
}

// A zlib stream of `total` zero bytes (a multiple of 16 MiB) made without compressing them all:
// after a full flush the compressor starts afresh, so every further 16 MiB compress alike.
Bytes zlibOfZeros(std::uint64_t total) {
  constexpr std::size_t kChunk = 16u << 20;
  const std::string zeros(kChunk, '\0');
  z_stream z{};
  deflateInit(&z, Z_BEST_COMPRESSION);
  auto chunk = [&] {
    Bytes out(kChunk / 256);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
    z.avail_in = kChunk;
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FULL_FLUSH);
    out.resize(out.size() - z.avail_out);
    return out;
  };
  Bytes out = chunk(); // with the zlib header
  const Bytes again = chunk();
  deflateEnd(&z);
  const uLong adler = adler32(1, reinterpret_cast<const Bytef*>(zeros.data()), kChunk);
  uLong whole = adler;
  for (std::uint64_t done = kChunk; done < total; done += kChunk) {
    out.insert(out.end(), again.begin(), again.end());
    whole = adler32_combine(whole, adler, kChunk);
  }
  out.push_back(0x03); // final block holding nothing
  out.push_back(0x00);
  appendBE(out, whole, 4, 8);
  return out;
}

// A FIFO or device never blocks a load or a save (a hang here ends in the test's timeout).
TEST(Mp3infpSpecialFiles, RefusedWithoutWaiting) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "x.mp3").c_str(), 0644), 0);
  fs::create_directory(dir / "y.wav");
  fs::create_symlink(dir / "x.mp3", dir / "link.mp3");
  for (const fs::path& p : {dir / "x.mp3", dir / "y.wav", dir / "link.mp3", fs::path("/dev/zero")})
    EXPECT_NE(load(p), 0u) << p;

  // A file that turned into a FIFO after its load is not written through.
  const fs::path path = dir / "a.wav";
  writeFile(path, wavWithInfo({{"INAM", "old"}}));
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", "new"), 0u);
  fs::rename(dir / "x.mp3", path);
  EXPECT_NE(mp3infp_Save(path.c_str()), 0u);
  EXPECT_TRUE(fs::is_fifo(path));
}

// One frame inflating to a gigabyte, and one too long to decode, are skipped within a few
// hundred megabytes of address space; the other frames still read.
TEST(Mp3infpBounds, OversizedFramesAreSkippedAndTheRestReads) {
  constexpr std::uint64_t kInflated = 1ull << 30;
  const Bytes packed = zlibOfZeros(kInflated);
  ASSERT_LT(packed.size(), 2u << 20);

  for (const int major : {3, 4}) {
    SCOPED_TRACE(major);
    Bytes bomb;
    appendBE(bomb, kInflated, 4, major == 4 ? 7 : 8);
    bomb.insert(bomb.end(), packed.begin(), packed.end());
    const Bytes frames =
        concat({frame(major, "TIT2", std::string("\0title", 6)),
                frame(major, "TALB", bomb, major == 4 ? 0x09 : 0x80),
                frame(major, "COMM", std::string("\0eng\0", 5) + std::string(17 << 20, 'c')),
                frame(major, "TPE1", std::string("\0artist", 7))});
    TempDir dir;
    writeFile(dir / "bomb.mp3", concat({tag(major, frames), shortMp3()}));
    const int status = inChild([&dir] {
#ifndef W2M_ASAN // the sanitizer reserves terabytes of address space up front
      const rlimit cap{400u << 20, 400u << 20};
      ::setrlimit(RLIMIT_AS, &cap);
#endif
      return load(dir / "bomb.mp3") == 0 && value("INAM_v2") == "title" &&
                     value("IART_v2") == "artist" && value("IPRD_v2").empty() &&
                     value("ICMT_v2").empty()
                 ? 0
                 : 1;
    });
    EXPECT_EQ(status, 0);
  }
}

// ID3v2 as real writers bend it, read as common readers read it. Cross-checked with eyeD3 and
// mediainfo where they agree; for 2.4 plain-integer sizes they keep the syncsafe reading and
// lose the frames after it, TagLib switches as we do.
struct LenientCase {
  const char* label;
  Bytes tag;
  const char* field;
  std::string expected;
};

class Mp3infpLenientId3v2 : public ::testing::TestWithParam<LenientCase> {};

// ... and still reads so once another field is written into the tag.
TEST_P(Mp3infpLenientId3v2, ReadsWhatOthersRead) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  const Bytes file = concat({GetParam().tag, shortMp3()});
  writeFile(path, file);
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value(GetParam().field), GetParam().expected);
  const char* other = std::string(GetParam().field) == "IPRD_v2" ? "IART_v2" : "IPRD_v2";
  ASSERT_EQ(mp3infp_SetValue(other, "new"), 0u);
  EXPECT_EQ(mp3infp_Save(path.c_str()), 0u);
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value(GetParam().field), GetParam().expected);
}

const std::string kTitle = std::string("\0Title", 6);
const std::string kUtf16Le = "\xff\xfe"; // BOM

// A 2.4 text frame body in UTF-8.
std::string utf8(const std::string& text) {
  return "\x03" + text;
}

Bytes v3(std::initializer_list<Bytes> frames, std::uint8_t flags = 0) {
  return tag(3, concat(frames), flags);
}

Bytes v4(std::initializer_list<Bytes> frames, std::uint8_t flags = 0) {
  return tag(4, concat(frames), flags);
}

Bytes unsynchronised(const Bytes& bytes) {
  Bytes out;
  for (const std::uint8_t b : bytes) {
    out.push_back(b);
    if (b == 0xFF)
      out.push_back(0);
  }
  return out;
}

const std::string kFfInUtf16 = std::string("\x01\xff\xfe\xff\x00", 5); // "ÿ"

INSTANTIATE_TEST_SUITE_P(
    Files, Mp3infpLenientId3v2,
    ::testing::Values(
        // The comment's text takes the byte order its description gave.
        LenientCase{
            "utf16TextWithoutBom",
            v3({frame(3, "COMM",
                      std::string("\x01") + "eng" + kUtf16Le + std::string("\0\0c\0o\0m\0", 8))}),
            "ICMT_v2", "com"},
        LenientCase{"utf16SecondStringWithoutBom",
                    v4({frame(4, "TIT2", "\x01" + kUtf16Le + std::string("A\0\0\0B\0", 6))}),
                    "INAM_v2", "A/B"},
        LenientCase{"utf16WithoutAnyBom", v3({frame(3, "TIT2", std::string("\x01T\0i\0", 5))}),
                    "INAM_v2", "Ti"},
        LenientCase{"plainSizeIn24",
                    v4({frame(4, "TIT2", bytesOf("\x03" + std::string(255, 'x')), 0, true),
                        frame(4, "TPE1", utf8("artist"))}),
                    "IART_v2", "artist"},
        LenientCase{
            "plainSizeBeforePadding",
            tag(4, concat({frame(4, "TPE1", utf8("a")),
                           frame(4, "TIT2", bytesOf("\x03" + std::string(300, 'y')), 0, true),
                           Bytes(40, 0)})),
            "INAM_v2", std::string(300, 'y')},
        LenientCase{"syncsafeSizeKept",
                    v4({frame(4, "TIT2", bytesOf("\x03" + std::string(200, 'z'))),
                        frame(4, "TPE1", utf8("artist"))}),
                    "INAM_v2", std::string(200, 'z')},
        LenientCase{"strayTerminators",
                    v3({frame(3, "TIT2", std::string("\0Title\0", 7)),
                        frame(3, "TPE1", std::string("\0\0Art", 5))}),
                    "IART_v2", "Art"},
        LenientCase{"junkInPadding",
                    tag(3, concat({frame(3, "TIT2", kTitle),
                                   bytesOf(std::string("\0\0\0\0junk!", 9)), Bytes(20, 0)})),
                    "INAM_v2", "Title"},
        LenientCase{"frameRunningPastTheTag",
                    tag(3, concat({frame(3, "TIT2", kTitle),
                                   bytesOf(std::string("TPE1\0\0\x10\0\0\0\0x", 11))})),
                    "INAM_v2", "Title"},
        LenientCase{"loneSurrogateReadsEmpty",
                    v3({frame(3, "TIT2", "\x01" + kUtf16Le + std::string("\x00\xd8\x61\x00", 4))}),
                    "INAM_v2", ""},
        LenientCase{"badUtf8ReadsEmpty", v4({frame(4, "TIT2", utf8("ab\xc3"))}), "INAM_v2", ""},
        LenientCase{"unknownEncodingReadsEmpty",
                    v4({frame(4, "TIT2", std::string("\x07") + "abc")}), "INAM_v2", ""},
        LenientCase{"unsynchronisedTag23",
                    tag(3, unsynchronised(frame(3, "TIT2", kFfInUtf16)), 0x80), "INAM_v2",
                    "\xc3\xbf"},
        LenientCase{"unsynchronisedFrame24",
                    v4({frame(4, "TIT2", unsynchronised(bytesOf(kFfInUtf16)), 0x02)}), "INAM_v2",
                    "\xc3\xbf"},
        LenientCase{"compressedFrame23",
                    v3({frame(3, "TIT2", concat({Bytes{0, 0, 0, 6}, deflated(kTitle)}), 0x80)}),
                    "INAM_v2", "Title"},
        LenientCase{"compressedFrame24",
                    v4({frame(4, "TIT2", concat({Bytes{0, 0, 0, 6}, deflated(kTitle)}), 0x09)}),
                    "INAM_v2", "Title"},
        LenientCase{"encryptedFrameSkipped",
                    v3({frame(3, "TIT2", bytesOf("\x80secret"), 0x40), frame(3, "TIT2", kTitle)}),
                    "INAM_v2", "Title"},
        LenientCase{"extendedHeader23",
                    v3({Bytes{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, frame(3, "TIT2", kTitle)}, 0x40),
                    "INAM_v2", "Title"},
        LenientCase{"extendedHeader24",
                    v4({Bytes{0, 0, 0, 6, 1, 0}, frame(4, "TIT2", kTitle)}, 0x40), "INAM_v2",
                    "Title"}),
    [](const auto& p) { return std::string(p.param.label); });

// A save whose result our reader would not read as meant fails and leaves the file as it was:
// here an ID3v2 size one byte past the end swallows the appended ID3v1 tag.
TEST(Mp3infpSave, FailsWhenTheRewrittenFileDoesNotReadBack) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  Bytes file = concat({tag(3, frame(3, "TIT2", kTitle)), shortMp3()});
  Bytes size;
  appendBE(size, file.size() - 10 + 1, 4, 7);
  std::copy(size.begin(), size.end(), file.begin() + 6);
  writeFile(path, file);
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_mp3_GetTagType(), 0u);
  EXPECT_NE(mp3infp_mp3_MakeId3v1(path.c_str()), 0u);
  EXPECT_EQ(readFile(path), file);
  EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"a.mp3"});

  // An ID3v2 save too: the comment shown is that of a compressed COMM frame, which the writer
  // cannot look into and so cannot replace.
  const std::string comm = std::string("\0jpn\0", 5) + "x";
  const Bytes compressed = concat(
      {tag(3, frame(3, "COMM", concat({Bytes{0, 0, 0, 6}, deflated(comm)}), 0x80)), shortMp3()});
  writeFile(path, compressed);
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(value("ICMT_v2"), "x");
  ASSERT_EQ(mp3infp_SetValue("ICMT_v2", "y"), 0u);
  EXPECT_NE(mp3infp_Save(path.c_str()), 0u);
  EXPECT_EQ(readFile(path), compressed);
  EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"a.mp3"});
  // An album artist in a frame past what the reader decodes.
  ASSERT_EQ(load(path) + mp3infp_SetValue("TPE2_v2", std::string(17u << 20, 'a').c_str()), 0u);
  EXPECT_EQ(mp3infp_Save(path.c_str()), MP3INFP_SAVE_NOT_READ_BACK);
  EXPECT_EQ(readFile(path), compressed);
}

// Temporary files: a short name of ours whatever the file's name, locked while in use, and
// those left by a killed save swept at the next save in that folder; nothing else is touched.
TEST(Mp3infpSave, TemporaryFilesAreShortAndStaleOnesSwept) {
  TempDir dir;
  std::string longName;
  for (int i = 0; i < 83; ++i)
    longName += "曲";
  longName += "ab.wav"; // 255 bytes, the longest a name can be
  const fs::path path = dir / longName;
  writeFile(path, wavWithInfo({{"INAM", "old"}}));
  const std::set<std::string> others = {".w2m-enc-Ab12Cd.mp3", ".w2m-Ab12Cd.mp3", "x.tmp",
                                        ".w2m-held01.tmp"};
  for (const std::string& name : others)
    writeFile(dir / name, Bytes{1});
  const int held = ::open((dir / ".w2m-held01.tmp").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);

  // A save killed while writing (here by a file-size limit) leaves its temporary file.
  const int status = inChild([&path] {
    const rlimit small{1000, 1000}, noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    ::setrlimit(RLIMIT_FSIZE, &small);
    load(path);
    mp3infp_SetValue("INAM", "killed");
    return static_cast<int>(mp3infp_Save(path.c_str()));
  });
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  ASSERT_EQ(namesIn(dir.path()).size(), others.size() + 2);
  writeFile(dir / ".w2m-stale1.tmp", Bytes(1000, 7));
  writeFile(dir / ".w2m-Stale2.tmp", {});

  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM", "new"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  ::close(held);
  std::set<std::string> expected = others;
  expected.insert(longName);
  EXPECT_EQ(namesIn(dir.path()), expected);
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("INAM"), "new");
}

std::string attribute(const fs::path& file) {
  std::string value(64, '\0');
  value.resize(std::max<ssize_t>(0, ::getxattr(file.c_str(), "user.origin", value.data(), 64)));
  return value;
}

// A rewritten file keeps its owner, group, permission bits (set-group-id included) and
// extended attributes; a file with two links is written in place, so that both show the new
// tag.
TEST(Mp3infpSave, KeepsOwnerModeAttributesAndEveryLink) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  writeFile(path, shortMp3());
  fs::create_hard_link(path, dir / "b.mp3");
  ASSERT_EQ(load(dir / "b.mp3"), 0u);
  ASSERT_EQ(mp3infp_mp3_MakeRMP((dir / "b.mp3").c_str()), 0u);
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(mp3infp_mp3_GetTagType(), 0x04u);
  EXPECT_EQ(fs::hard_link_count(path), 2u);
  EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"a.mp3", "b.mp3"}));

  fs::remove(dir / "b.mp3");
  const bool root = ::geteuid() == 0; // root replaces a file of any owner, keeping the owner
  ASSERT_TRUE(!root || ::chown(path.c_str(), 4321, 8765) == 0);
  ASSERT_EQ(::chmod(path.c_str(), 02640), 0);
  if (::setxattr(path.c_str(), "user.origin", "録音", 6, 0) != 0 && errno == ENOTSUP)
    GTEST_SKIP() << "the file system of " << dir.path() << " has no extended attributes";
  ASSERT_EQ(load(path), 0u);
  ASSERT_EQ(mp3infp_SetValue("INAM_rmp", "new"), 0u);
  ASSERT_EQ(mp3infp_Save(path.c_str()), 0u);
  EXPECT_EQ(attribute(path), "録音");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 02640u);
  EXPECT_TRUE(!root || (st.st_uid == 4321 && st.st_gid == 8765));
}

// A file shared through its group (its owner another user, its folder group-writable) stays
// its owner's, in its group, with its mode and attributes, when a member of the group writes
// it: written in place.
TEST(Mp3infpSave, AFileSharedThroughItsGroupStaysItsOwners) {
  if (::geteuid() != 0)
    FAIL() << "only root can give the test file another owner and write it as another user";
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  writeFile(path, shortMp3());
  for (const fs::path& p : {dir.path(), path})
    ASSERT_EQ(::chown(p.c_str(), 1000, 1000), 0);
  ASSERT_EQ(::chmod(dir.path().c_str(), 0775), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
  const bool attributes = ::setxattr(path.c_str(), "user.origin", "録音", 6, 0) == 0;
  struct stat before {
  }, after{};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  const int status = inChild([&path] {
    const gid_t shared = 1000;
    if (::setgroups(1, &shared) != 0 || ::setgid(2000) != 0 || ::setuid(2000) != 0)
      return 2;
    return load(path) == 0 && mp3infp_SetValue("INAM_v2", "共有") == 0 &&
                   mp3infp_mp3_MakeId3v1(path.c_str()) == 0 && mp3infp_Save(path.c_str()) == 0
               ? 0
               : 1;
  });
  ASSERT_EQ(status, 0);
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(std::make_tuple(after.st_uid, after.st_gid, after.st_mode & 07777),
            std::make_tuple(1000u, 1000u, 0664u));
  EXPECT_EQ(attribute(path), attributes ? "録音" : "");
  EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"a.mp3"});
  ASSERT_EQ(load(path), 0u);
  EXPECT_EQ(value("INAM_v2") + "|" + value("INAM_v1"), "共有|共有");
}

// An in-place write that runs out of room puts the file back as it was; one killed half way
// leaves its safety copy, which holds the file as it was. (A file-size limit stands for the
// full disk: the safety copy fits, the grown file does not.)
TEST(Mp3infpSave, AnInPlaceWriteThatFailsOrIsKilledLosesNothing) {
  TempDir dir;
  const fs::path path = dir / "a.mp3";
  const Bytes original = concat({tag(3, frame(3, "TIT2", kTitle)), shortMp3()});
  writeFile(path, original);
  fs::create_hard_link(path, dir / "b.mp3");
  const auto save = [&path, &original](bool killed) {
    const rlimit small{original.size(), original.size()}, noCore{0, 0};
    ::setrlimit(RLIMIT_FSIZE, &small);
    ::setrlimit(RLIMIT_CORE, &noCore);
    std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
    return load(path) == 0 && mp3infp_SetValue("INAM_v2", std::string(3000, 'x').c_str()) == 0 &&
                   mp3infp_Save(path.c_str()) == 14
               ? 0
               : 1;
  };
  EXPECT_EQ(inChild([&] { return save(false); }), 0);
  EXPECT_EQ(readFile(path), original);
  EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"a.mp3", "b.mp3"}));

  const int status = inChild([&] { return save(true); });
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
  std::set<std::string> names = namesIn(dir.path());
  names.erase("b.mp3");
  names.erase("a.mp3");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names.begin()->rfind("a.mp3.w2m-backup-", 0), 0u);
  EXPECT_EQ(readFile(dir / *names.begin()), original);
}

} // namespace
