#include "core/fs/ShortenPath.h"

#include <gtest/gtest.h>

namespace {

// One pixel per UTF-16 unit.
int Units(const QString& text) {
  return static_cast<int>(text.size());
}

struct ShortenCase {
  const char* path;
  int width;
  const char* expected;
};

class ShortenPathTest : public ::testing::TestWithParam<ShortenCase> {};

TEST_P(ShortenPathTest, CutsLeadingFolders) {
  const ShortenCase& c = GetParam();
  EXPECT_EQ(ShortenPath(QString::fromUtf8(c.path), c.width, Units), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Widths, ShortenPathTest,
                         ::testing::Values(
                             // Shrinking step by step; the last name stays however narrow the box.
                             ShortenCase{"/Music/Album/Disc1", 18, "/Music/Album/Disc1"},
                             ShortenCase{"/Music/Album/Disc1", 17, "/.../Album/Disc1"},
                             ShortenCase{"/Music/Album/Disc1", 15, "/.../Disc1"},
                             ShortenCase{"/Music/Album/Disc1", 9, ".../Disc1"},
                             ShortenCase{"/Music/Album/Disc1", 8, "Disc1"},
                             ShortenCase{"/Music/Album/Disc1", 0, "Disc1"},
                             ShortenCase{"/Music/Album/Disc1", -5, "Disc1"},
                             // A trailing separator leaves an empty last name.
                             ShortenCase{"/Music/Album/", 12, "/.../Album/"},
                             ShortenCase{"/Music/Album/", 3, ""}, ShortenCase{"/", 0, ""},
                             ShortenCase{"", 0, ""}, ShortenCase{"name", 1, "name"},
                             // Relative paths lose their folders the same way.
                             ShortenCase{"a/b/c", 5, "a/b/c"}, ShortenCase{"a/b/c", 4, "c"},
                             ShortenCase{"a/bcdefg/c", 7, ".../c"},
                             // Hidden folders are folders like any other.
                             ShortenCase{"/home/u/.config/x", 15, "/.../.config/x"},
                             ShortenCase{"/.config/app/x", 12, "/.../app/x"},
                             // Characters outside the basic plane are never split.
                             ShortenCase{"/音楽フォルダ/🎵🎵/ディスク", 16, "/.../🎵🎵/ディスク"},
                             ShortenCase{"/音楽フォルダ/🎵🎵/ディスク", 13, "/.../ディスク"}));

TEST(ShortenPathWidth, UsesTheGivenMeasure) {
  // Double-width measure: the same path needs twice the room.
  const auto doubled = [](const QString& t) { return 2 * static_cast<int>(t.size()); };
  EXPECT_EQ(ShortenPath("/Music/Album/Disc1", 36, doubled), "/Music/Album/Disc1");
  EXPECT_EQ(ShortenPath("/Music/Album/Disc1", 35, doubled), "/.../Album/Disc1");
}

} // namespace
