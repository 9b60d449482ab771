#include "app/Trash.h"

#include "app/FsPath.h"

#include "AudioFixtures.h"

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
  EXPECT_TRUE(result.reason.startsWith(QString::fromUtf8("ごみ箱に移せませんでした: ")))
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

// A file on another device goes to the trash at the top of its mount, with a path relative to
// that top. Needs a writable mount other than the temporary folder's.
TEST_F(TrashTest, OtherDeviceUsesItsMountTop) {
  struct stat shm {};
  struct stat tmp {};
  struct stat dev {};
  if (::stat("/dev/shm", &shm) != 0 || ::stat(dir_.path().c_str(), &tmp) != 0 ||
      ::stat("/dev", &dev) != 0 || shm.st_dev == tmp.st_dev || shm.st_dev == dev.st_dev ||
      ::access("/dev/shm", W_OK) != 0)
    GTEST_SKIP() << "no second writable device";
  const fs::path top = "/dev/shm";
  const fs::path root = top / (".Trash-" + std::to_string(::getuid()));
  const bool existed = fs::exists(root);
  const std::string name = "w2m-trash-" + std::to_string(::getpid()) + "-" + kCp932Name;
  fixtures::writeFile(top / name, {'x'});

  const Trash::Result result = Trash::MoveToTrash(Native(top / name));
  EXPECT_TRUE(result.ok) << result.reason.toStdString();
  EXPECT_FALSE(fs::exists(top / name));
  const std::string info = ReadText(root / "info" / (name + ".trashinfo"));
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=w2m-trash-", 0), 0u) << info;
  EXPECT_NE(info.find("-%82%A0%201.wav\n"), std::string::npos) << info;
  fs::remove(root / "files" / name);
  fs::remove(root / "info" / (name + ".trashinfo"));
  if (!existed)
    fs::remove_all(root);
}

} // namespace
