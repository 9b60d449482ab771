// Broken and hostile files load safely; what can be read is read.
#include "Mp3infpTestFiles.h"

namespace {

using namespace mp3infp_test;

struct BrokenCase {
  const char* label;
  Bytes file;
};

class Mp3infpMalformed : public ::testing::TestWithParam<BrokenCase> {};

// Broken sizes never crash; what can be read is read, and nothing is rewritten blindly.
TEST_P(Mp3infpMalformed, LoadsSafelyAndNeverRewritesBlindly) {
  TempDir dir;
  const fs::path path = dir / "a.wav";
  writeFile(path, GetParam().file);
  if (load(path) != 0)
    return;
  for (const char* n : {"INAM", "INAM_v1", "INAM_v2", "INAM_rmp", "TIME", "TIME_MS"})
    value(n);
  mp3infp_mp3_GetTagType();
  if (mp3infp_GetType() == 2 && mp3infp_SetValue("INAM", "x") == 0 &&
      mp3infp_Save(path.c_str()) == 0) {
    ASSERT_EQ(load(path), 0u);
    EXPECT_EQ(value("INAM"), "x");
  } else {
    EXPECT_EQ(readFile(path), GetParam().file);
  }
}

Bytes hugeChunk(const std::string& id, std::uint32_t size) {
  Bytes c = bytesOf(id);
  fixtures::appendLE32(c, size);
  c.resize(c.size() + 16, 0);
  return c;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, Mp3infpMalformed,
    ::testing::Values(
        BrokenCase{"riffSizeBeyondEof", concat({bytesOf("RIFF\xff\xff\xff\x7fWAVE")})},
        BrokenCase{"dataBeyondEof", riff("WAVE", {hugeChunk("data", 0xFFFFFFF0u)})},
        BrokenCase{"infoBeyondEof", riff("WAVE", {hugeChunk("LIST", 0x7FFFFFFFu)})},
        BrokenCase{"zeroSizes", riff("WAVE", {chunk("fmt ", {}), chunk("data", {}),
                                              chunk("LIST", bytesOf("INFO"))})},
        BrokenCase{"oddWithoutPad", riff("WAVE", {chunk("junk", bytesOf("abc"), false),
                                                  fixtures::makeInfoList({{"INAM", "t"}})})},
        BrokenCase{"garbageChunkId", riff("WAVE", {bytesOf("\x01\x02\x03\x04zzzz")})},
        BrokenCase{"truncatedHeader", bytesOf("RIFF\x10")},
        BrokenCase{"infoItemBeyondList",
                   riff("WAVE", {chunk("LIST", bytesOf("INFOINAM\xff\0\0\0x"))})},
        BrokenCase{"id3v2SizeBeyondEof", bytesOf("ID3\x03\0\0\x7f\x7f\x7f\x7f")},
        BrokenCase{"rmp3WithoutData", riff("RMP3", {fixtures::makeInfoList({{"INAM", "t"}})})},
        BrokenCase{"rmp3DataBeyondEof", riff("RMP3", {hugeChunk("data", 0x7FFFFFFFu)})}),
    [](const auto& p) { return std::string(p.param.label); });

// Every input that once crashed, hung or tripped a sanitizer in the fuzzer.
TEST(Mp3infpMalformed, FuzzerFindingsLoadSafely) {
  const fs::path folder = fs::path(W2M_MP3INFP_FIXTURES);
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() == ".txt")
      continue;
    SCOPED_TRACE(entry.path().string());
    if (load(entry.path()) == 0) {
      for (const char* n : {"INAM", "ICMT_v1", "IGNR_v2", "INAM_rmp", "TIME", "TIME_MS", "PATH"})
        EXPECT_NE(value(n), "<null>");
      mp3infp_mp3_GetTagType();
    }
  }
}

} // namespace
