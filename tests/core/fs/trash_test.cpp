#include "core/fs/Trash.h"

#include "core/fs/FsPath.h"

#include "AudioFixtures.h"
#include "FuseMount.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const std::string kCp932Name = "\x82\xA0 1.wav"; // "あ 1.wav" in CP932

QString Native(const fs::path& p) {
  return FsPath::Decode(QByteArray::fromStdString(p.native()));
}

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Each test gets its own home and XDG_DATA_HOME, so nothing reaches the real trash.
class TrashTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"HOME", "XDG_DATA_HOME"}) {
      const char* value = std::getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    fs::create_directory(home());
    setenv("HOME", home().c_str(), 1);
    setenv("XDG_DATA_HOME", data().c_str(), 1); // not there yet
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }
  fs::path home() const { return dir_ / "home"; }
  fs::path data() const { return dir_ / "data"; }
  fs::path trash() const { return data() / "Trash"; }
  fs::path makeFile(const std::string& name, const std::string& folder = "music") {
    fs::create_directories(dir_ / folder);
    const fs::path file = dir_ / folder / name;
    fixtures::writeFile(file, {'R', 'I', 'F', 'F'});
    return file;
  }

  fixtures::TempDir dir_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(TrashTest, Cp932NameKeepsItsBytesAndInfo) {
  const fs::path file = makeFile(kCp932Name);
  const Trash::Result result = Trash::MoveToTrash(Native(file));
  ASSERT_TRUE(result.ok) << result.reason.toStdString();
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(fixtures::readFile(trash() / "files" / kCp932Name),
            fixtures::Bytes({'R', 'I', 'F', 'F'}));
  // The missing data folder was made, private to the user.
  EXPECT_EQ(fs::status(trash() / "files").permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(trash() / "info").permissions(), fs::perms::owner_all);

  const std::string info = ReadText(trash() / "info" / (kCp932Name + ".trashinfo"));
  const std::string expected =
      "[Trash Info]\nPath=" + (dir_ / "music").native() + "/%82%A0%201.wav\nDeletionDate=";
  ASSERT_EQ(info.substr(0, expected.size()), expected);
  EXPECT_TRUE(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\n$)")
                  .match(QString::fromStdString(info.substr(expected.size())))
                  .hasMatch())
      << info;
}

TEST_F(TrashTest, ClashingNamesAreNumbered) {
  for (const char* folder : {"a", "b", "c"})
    ASSERT_TRUE(Trash::MoveToTrash(Native(makeFile("t.wav", folder))).ok);
  ASSERT_TRUE(Trash::MoveToTrash(Native(makeFile(".hidden", "a"))).ok);
  ASSERT_TRUE(Trash::MoveToTrash(Native(makeFile(".hidden", "b"))).ok);
  for (const char* name : {"t.wav", "t.2.wav", "t.3.wav", ".hidden", ".hidden.2"}) {
    EXPECT_TRUE(fs::exists(trash() / "files" / name)) << name;
    EXPECT_TRUE(fs::exists(trash() / "info" / (std::string(name) + ".trashinfo"))) << name;
  }
  EXPECT_NE(ReadText(trash() / "info" / "t.3.wav.trashinfo").find("/c/t.wav\n"), std::string::npos);

  // A file left in files/ without its info is not overwritten.
  fixtures::writeFile(trash() / "files" / "s.wav", {'x'});
  ASSERT_TRUE(Trash::MoveToTrash(Native(makeFile("s.wav"))).ok);
  EXPECT_EQ(fixtures::readFile(trash() / "files" / "s.wav"), fixtures::Bytes({'x'}));
  EXPECT_TRUE(fs::exists(trash() / "files" / "s.2.wav"));
  EXPECT_FALSE(fs::exists(trash() / "info" / "s.wav.trashinfo"));
}

TEST_F(TrashTest, RelativeDataHomeIsIgnored) {
  const fs::path work = dir_ / "work";
  fs::create_directory(work);
  const fs::path before = fs::current_path();
  fs::current_path(work);
  setenv("XDG_DATA_HOME", "rel", 1);
  const fs::path file = makeFile("x.wav");
  const bool ok = Trash::MoveToTrash(Native(file)).ok;
  fs::current_path(before);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(fs::exists(home() / ".local/share/Trash/files/x.wav"));
  EXPECT_TRUE(fs::is_empty(work));
}

TEST_F(TrashTest, FileStaysWhenNoTrashCanTakeIt) {
  fs::create_directory(data());
  fixtures::writeFile(trash(), {'x'}); // a file where the trash folder belongs
  const fs::path file = makeFile("x.wav");
  const Trash::Result result = Trash::MoveToTrash(Native(file));
  EXPECT_FALSE(result.ok);
  EXPECT_TRUE(result.reason.startsWith(QString::fromUtf8("ごみ箱に移せませんでした：")))
      << result.reason.toStdString();
  EXPECT_TRUE(fs::exists(file));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "music"), fs::directory_iterator()), 1);
}

TEST_F(TrashTest, OnlyFilesAndLinksAreMoved) {
  const fs::path folder = dir_ / "music" / "folder";
  fs::create_directories(folder);
  ASSERT_EQ(::mkfifo((dir_ / "music" / "fifo").c_str(), 0600), 0);
  EXPECT_FALSE(Trash::MoveToTrash(Native(folder)).ok);
  EXPECT_FALSE(Trash::MoveToTrash(Native(dir_ / "music" / "fifo")).ok);
  EXPECT_FALSE(Trash::MoveToTrash(Native(dir_ / "music" / "none")).ok);
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_TRUE(fs::is_fifo(dir_ / "music" / "fifo"));

  // A link to a folder goes as the link; what it points at stays.
  fs::create_directory_symlink(folder, dir_ / "music" / "link");
  EXPECT_TRUE(Trash::MoveToTrash(Native(dir_ / "music" / "link")).ok);
  EXPECT_TRUE(fs::is_symlink(trash() / "files" / "link"));
  EXPECT_TRUE(fs::is_directory(folder));
}

// A file on a FUSE mount (another device) goes to the trash at the top of that mount, with a
// path relative to that top: $top/.Trash/$uid once .Trash is a sticky folder, else
// $top/.Trash-$uid.
TEST_F(TrashTest, OtherDeviceUsesItsMountTop) {
  fixtures::FuseMount mount;
  ASSERT_TRUE(mount.Failure().empty()) << mount.Failure();
  const fs::path top = mount.Mounted();
  const std::string uid = std::to_string(::getuid());
  fs::create_directories(top / "album");
  fs::create_directory(top / ".Trash"); // not sticky: anyone could have planted it
  fixtures::writeFile(top / "album" / kCp932Name, {'x'});
  const Trash::Result result = Trash::MoveToTrash(Native(top / "album" / kCp932Name));
  ASSERT_TRUE(result.ok) << result.reason.toStdString();
  EXPECT_FALSE(fs::exists(top / "album" / kCp932Name));
  const fs::path own = top / (".Trash-" + uid);
  EXPECT_EQ(fixtures::readFile(own / "files" / kCp932Name), fixtures::Bytes({'x'}));
  const std::string info = ReadText(own / "info" / (kCp932Name + ".trashinfo"));
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=album/%82%A0%201.wav\n", 0), 0u) << info;

  ASSERT_EQ(::chmod((top / ".Trash").c_str(), 01777), 0);
  fixtures::writeFile(top / "album" / "b.wav", {'y'});
  ASSERT_TRUE(Trash::MoveToTrash(Native(top / "album" / "b.wav")).ok);
  EXPECT_TRUE(fs::exists(top / ".Trash" / uid / "files" / "b.wav"));
  EXPECT_TRUE(mount.HiddenLeftovers().empty());
}

// Where no trash can be made at the mount's top, the home trash takes a copy, byte for byte and
// with its time, and the file goes; where the home trash cannot take it either, it stays.
TEST_F(TrashTest, MountWithoutATrashCopiesIntoTheHomeTrash) {
  fixtures::FuseMount mount;
  ASSERT_TRUE(mount.Failure().empty()) << mount.Failure();
  const fs::path top = mount.Mounted();
  fixtures::writeFile(top / (".Trash-" + std::to_string(::getuid())), {'x'});
  const fixtures::Bytes wav = fixtures::makeWav({.seconds = 7.0}); // more than one copy chunk
  fixtures::writeFile(top / kCp932Name, wav);
  const auto time = fs::last_write_time(top / kCp932Name);

  const Trash::Result result = Trash::MoveToTrash(Native(top / kCp932Name));
  ASSERT_TRUE(result.ok) << result.reason.toStdString();
  EXPECT_FALSE(fs::exists(top / kCp932Name));
  EXPECT_EQ(fixtures::readFile(trash() / "files" / kCp932Name), wav);
  EXPECT_EQ(fs::last_write_time(trash() / "files" / kCp932Name), time);
  const std::string info = ReadText(trash() / "info" / (kCp932Name + ".trashinfo"));
  EXPECT_NE(info.find("Path=" + top.native() + "/%82%A0%201.wav\n"), std::string::npos) << info;

  fs::remove_all(trash());
  fixtures::writeFile(trash(), {'x'}); // a file where the home trash belongs
  fixtures::writeFile(top / "kept.wav", wav);
  const Trash::Result kept = Trash::MoveToTrash(Native(top / "kept.wav"));
  EXPECT_FALSE(kept.ok);
  EXPECT_TRUE(kept.reason.contains(QStringLiteral("このドライブにごみ箱を作れません")))
      << kept.reason.toStdString();
  EXPECT_EQ(fixtures::readFile(top / "kept.wav"), wav);
  EXPECT_TRUE(mount.HiddenLeftovers().empty());
}

} // namespace
