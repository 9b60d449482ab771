#include "core/fs/Cp932.h"
#include "core/tags/GenreListFile.h"

#include "AudioFixtures.h"

#include <QFile>

#include <gtest/gtest.h>

#include <ostream>

using namespace GenreListFile;

namespace {

QString writeBytes(const fixtures::TempDir& dir, const QByteArray& bytes) {
  const QString path = QString::fromStdString((dir / "GenreList.txt").string());
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
  return path;
}

QByteArray cp932(const QString& text) {
  QByteArray bytes;
  EXPECT_TRUE(Cp932::Encode(text, bytes));
  return bytes;
}

struct FileCase {
  const char* name;
  QByteArray bytes;
  QStringList items;
};

void PrintTo(const FileCase& c, std::ostream* os) {
  *os << c.name;
}

class ReadTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(ReadTest, ReadsOneItemPerLine) {
  fixtures::TempDir dir;
  const auto items = Read(writeBytes(dir, GetParam().bytes));
  ASSERT_TRUE(items.has_value());
  EXPECT_EQ(*items, GetParam().items);
}

const QStringList kTwo{QStringLiteral("17 ロック"), QStringLiteral("146 JPop")};

INSTANTIATE_TEST_SUITE_P(
    Files, ReadTest,
    ::testing::Values(
        FileCase{"cp932_crlf", cp932(QStringLiteral("17 ロック\r\n146 JPop\r\n")), kTwo},
        FileCase{"utf8_bom_lf",
                 QByteArray("\xEF\xBB\xBF") + QStringLiteral("17 ロック\n146 JPop").toUtf8(), kTwo},
        FileCase{"cr_only", QStringLiteral("17 ロック\r146 JPop\r").toUtf8(), kTwo},
        FileCase{"mixed_ends_and_empty_lines",
                 QByteArray("a\r\n\r\rb\n\nc"),
                 {"a", "", "", "b", "", "c"}},
        FileCase{"lone_line_break", QByteArray("\n"), {""}},
        FileCase{"empty_file", QByteArray(), {}}),
    [](const auto& tp) { return std::string(tp.param.name); });

TEST(GenreListFileTest, MissingFileCannotBeRead) {
  fixtures::TempDir dir;
  EXPECT_FALSE(Read(QString::fromStdString((dir / "none.txt").string())).has_value());
}

// One genre per item, each at the place of its number up to 147.
TEST(GenreListFileTest, BuiltInItems) {
  const QStringList& items = BuiltInItems();
  ASSERT_EQ(items.size(), 161);
  for (int i = 0; i <= 147; ++i)
    EXPECT_TRUE(items[i].startsWith(QStringLiteral("%1 ").arg(i))) << i;
  EXPECT_EQ(items[2], QStringLiteral("2 カントリー"));
  EXPECT_EQ(items[149], QStringLiteral("244 ニュー\uFF65ミュージック"));
  EXPECT_EQ(items[160], QStringLiteral("255 未設定"));
}

TEST(GenreListFileTest, DeliveredFileMatchesBuiltInItems) {
  const auto items =
      Read(qEnvironmentVariable("W2M_SOURCE_DIR") + QStringLiteral("/data/") + kFileName);
  ASSERT_TRUE(items.has_value());
  EXPECT_EQ(*items, BuiltInItems());
}

TEST(GenreListFileTest, InitialIndexIsJPopElseFallsBackToLastItem) {
  EXPECT_EQ(InitialIndex(BuiltInItems()), 146);
  EXPECT_EQ(InitialIndex(QStringList{"0 Blues", "7 JPop"}), 1);
  EXPECT_EQ(InitialIndex(QStringList(160, "x")), 145);
  EXPECT_EQ(InitialIndex(QStringList(145, "x")), 144);
  EXPECT_EQ(InitialIndex({}), -1);
}

TEST(GenreListFileTest, GenreNames) {
  const QStringList items{QStringLiteral("17 ロック"),
                          QStringLiteral("1 Classic Rock2 カントリー"),
                          QStringLiteral("78 Rock && Roll"),
                          QStringLiteral("   "),
                          QString(),
                          QStringLiteral("Bare"),
                          QStringLiteral("9  \tメタル \x01"),
                          QStringLiteral("9 \u3000和風")};
  const QStringList expected{QStringLiteral("ロック"),
                             QStringLiteral("Classic Rock2 カントリー"),
                             QStringLiteral("Rock && Roll"),
                             QStringLiteral("   "),
                             QString(),
                             QStringLiteral("Bare"),
                             QStringLiteral("メタル"),
                             QStringLiteral("\u3000和風")};
  EXPECT_EQ(BuildGenreNames(items), expected);
}

} // namespace
