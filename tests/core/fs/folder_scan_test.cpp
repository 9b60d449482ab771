#include "QtPath.h"

#include "core/fs/FolderScan.h"
#include "core/fs/FsPath.h"

#include "AudioFixtures.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>

namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& p) {
  fs::create_directories(p.parent_path());
  fixtures::writeFile(p, {});
}

struct ExtensionCase {
  const char* path;
  const char* extension;
};
class FileExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};
TEST_P(FileExtensionTest, LastDotAfterLastSeparator) {
  EXPECT_EQ(FsPath::Extension(QString::fromUtf8(GetParam().path)),
            QString::fromUtf8(GetParam().extension));
}
INSTANTIATE_TEST_SUITE_P(
    Names, FileExtensionTest,
    ::testing::Values(ExtensionCase{"a.wav", ".wav"}, ExtensionCase{"/x/Song.MP3", ".MP3"},
                      ExtensionCase{"/x.d/noext", ""}, ExtensionCase{"a.b.jpg", ".jpg"},
                      ExtensionCase{".wav", ".wav"}, ExtensionCase{"name.", "."},
                      ExtensionCase{"", ""}, ExtensionCase{"/音楽/曲.Wav", ".Wav"},
                      ExtensionCase{"/m/a.b/song", ""}, ExtensionCase{"/m/song.tar.WAV", ".WAV"}));

TEST(AudioNames, WavAndMp3ByExtensionInAnyCase) {
  EXPECT_TRUE(IsWavName(QStringLiteral("/m/Song.Wav")));
  EXPECT_FALSE(IsWavName(QString()));
  EXPECT_TRUE(IsMp3Name(QStringLiteral("/m/a.MP3")));
  EXPECT_FALSE(IsMp3Name(QStringLiteral("/m/a.mp3/b")));
}

class FolderScanTest : public ::testing::Test {
protected:
  fixtures::TempDir tmp;
  fs::path root = tmp / "music";
  QString rootSlash = Q(root) + "/";
};

TEST_F(FolderScanTest, OwnFilesComeBeforeSubfolders) {
  Touch(root / "1.wav");
  Touch(root / "2.mp3");
  Touch(root / "sub" / "3.WAV");
  Touch(root / "0 disc" / "x.wav");
  Touch(root / "z.wav");
  Touch(root / "cover.JPG");
  Touch(root / "notes.txt");
  const QStringList wav{rootSlash + "1.wav", rootSlash + "z.wav", rootSlash + "0 disc/x.wav",
                        rootSlash + "sub/3.WAV"};
  QStringList found;
  FindFiles(rootSlash, ".WAV", found);
  EXPECT_EQ(found, wav);
  const FolderTree tree = ScanTree(Q(root));
  EXPECT_EQ(tree.Files(), wav + QStringList{rootSlash + "2.mp3"});
  EXPECT_EQ(tree.Images, QStringList{rootSlash + "cover.JPG"});
  EXPECT_EQ(ScanTree(rootSlash).Files(), tree.Files());
}

TEST_F(FolderScanTest, ShuffledFolderListsByUpperCasedNameAsShown) {
  // Upper-cased, "_" (0x5F) comes after the letters ("BA" before "b_"). Names that are not
  // UTF-8 sort by what they show: by bytes CP932 "あ" (82 A0), UTF-8 "い" (E3 81 84) and
  // Latin-1 "é" (E9) would go あ, い, é; shown they go É, あ, い.
  const std::vector<std::string> sorted{
      "01 b.wav", "02 A.wav", "02 b.wav", "10.wav",   "Album.wav",    "album.wav",       "BA.wav",
      "b_.wav",   "c.wav",    "_x.wav",   "\xE9.wav", "\x82\xA0.wav", "\xE3\x81\x84.wav"};
  std::vector<std::string> shuffled = sorted;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(11));
  for (const std::string& name : shuffled)
    Touch(root / name);
  QStringList expected;
  for (const std::string& name : sorted)
    expected << FsPath::Decode(QByteArray::fromStdString((root / name).string()));
  EXPECT_EQ(ScanTree(Q(root)).Wav, expected);
}

TEST_F(FolderScanTest, HiddenReadOnlyAndLinkedEntries) {
  Touch(root / ".hidden" / "h.wav");
  Touch(root / "locked" / "l.wav");
  Touch(root / "a.wav");
  fs::create_directories(root / "loop");
  fs::create_directory_symlink("..", root / "loop" / "up");           // a cycle
  fs::create_directory_symlink(root / "locked", root / "linked.wav"); // a folder link
  fs::create_symlink(root / "a.wav", root / "alias.wav");             // a file link
  fs::create_symlink(root / "gone.wav", root / "dangling.wav");
  ASSERT_EQ(chmod((root / "locked").c_str(), 0555), 0);
  QStringList found;
  FindFiles(rootSlash, ".wav", found);
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (QStringList{rootSlash + ".hidden/h.wav", rootSlash + "a.wav",
                                rootSlash + "alias.wav", rootSlash + "locked/l.wav"}));
  chmod((root / "locked").c_str(), 0755);
  // Our own temporary files, left by a killed conversion or save, are never listed.
  Touch(root / ".w2m-enc-Ab12Cd.mp3");
  EXPECT_TRUE(ScanTree(Q(root)).Mp3.isEmpty());
}

TEST_F(FolderScanTest, UnreadableAndMissingFolders) {
  Touch(root / "a.wav");
  Touch(root / "closed" / "c.wav");
  ASSERT_EQ(chmod((root / "closed").c_str(), 0), 0);
  QStringList found;
  FindFiles(rootSlash, ".wav", found);
  std::sort(found.begin(), found.end());
  // Root reads every folder; anyone else skips the closed one and goes on.
  QStringList expected{rootSlash + "a.wav"};
  if (geteuid() == 0)
    expected << rootSlash + "closed/c.wav";
  EXPECT_EQ(found, expected);
  chmod((root / "closed").c_str(), 0755);

  QStringList untouched{"kept"};
  FindFiles(rootSlash + "vanished/", ".wav", untouched);
  EXPECT_EQ(untouched, QStringList{"kept"});
  EXPECT_TRUE(ScanTree(rootSlash + "vanished").Files().isEmpty());
  EXPECT_TRUE(ScanTree(rootSlash + "a.wav").Files().isEmpty());
  EXPECT_TRUE(ScanTree(QString()).Files().isEmpty());
}

TEST_F(FolderScanTest, OneWalkEqualsThreeWalksOnRandomTree) {
  std::mt19937 rng(20240607);
  const char* exts[] = {".wav", ".WAV", ".Mp3",     ".mp3",  ".jpg", ".JPG", ".jpeg",
                        ".txt", "",     ".wav.txt", ".mp3x", ".Jpg", ".PNG"};
  std::vector<fs::path> dirs{root};
  fs::create_directories(root);
  for (int i = 0; i < 400; ++i) {
    const fs::path& parent = dirs[rng() % dirs.size()];
    // Appended, not prepended: GCC 12 at -O3 takes the insertion at the front of a temporary
    // string for an overlapping copy (-Wrestrict).
    std::string stem = rng() % 5 == 0 ? "." : "";
    stem += std::to_string(i);
    if (rng() % 6 == 0) {
      // Folders may carry extensions too; they are never listed as files.
      const fs::path d = parent / (stem + (rng() % 3 == 0 ? ".wav" : ""));
      fs::create_directories(d);
      dirs.push_back(d);
    } else {
      Touch(parent / (stem + exts[rng() % std::size(exts)]));
    }
  }
  const FolderTree tree = ScanTree(Q(root));
  QStringList wav, mp3, images;
  FindFiles(rootSlash, ".wav", wav);
  FindFiles(rootSlash, ".mp3", mp3);
  for (const char* image : {".jpg", ".jpeg", ".png"})
    FindFiles(rootSlash, image, images);
  std::stable_sort(images.begin(), images.end(), ListedBefore);
  EXPECT_EQ(tree.Wav, wav);
  EXPECT_EQ(tree.Mp3, mp3);
  EXPECT_EQ(tree.Images, images);
  // A converted file joins the list where a walk would have put it.
  EXPECT_TRUE(std::is_sorted(tree.Wav.begin(), tree.Wav.end(), ListedBefore));
  EXPECT_TRUE(std::is_sorted(tree.Mp3.begin(), tree.Mp3.end(), ListedBefore));

  // Nothing is missed: the same files as an independent recursive listing.
  QStringList expected;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file() &&
        QString::fromStdString(e.path().extension().string()).toLower() == ".wav")
      expected << Q(e.path());
  expected.sort();
  wav.sort();
  EXPECT_EQ(wav, expected);
  EXPECT_FALSE(wav.isEmpty());
}

} // namespace
