#include "core/tags/CommentText.h"
#include "core/tags/FieldMemory.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace CommentText;

namespace {

struct ComposeCase {
  const char* name;
  CommentFormat format;
  CommentParts parts;
  bool append;
  QString present;
  QString expected;
};

void PrintTo(const ComposeCase& c, std::ostream* os) {
  *os << c.name;
}

class ComposeTest : public ::testing::TestWithParam<ComposeCase> {};

TEST_P(ComposeTest, ComposesParts) {
  const ComposeCase& c = GetParam();
  EXPECT_EQ(Compose(c.format, c.parts, c.append, c.present), c.expected);
}

const QString kPresent = QStringLiteral("old:text");

INSTANTIATE_TEST_SUITE_P(
    Formats, ComposeTest,
    ::testing::Values(
        ComposeCase{"jacket",
                    CommentFormat::JacketImage,
                    {"id", " cover.jpg ", "x", "y", "z", "w"},
                    false,
                    kPresent,
                    QStringLiteral("画像:cover.jpg")},
        ComposeCase{"credits_skip_composer",
                    CommentFormat::Credits,
                    {"id", "c.jpg", "X", "", "Y", "Z"},
                    false,
                    kPresent,
                    QStringLiteral("作詩:X/編曲:Y/演奏:Z")},
        ComposeCase{"credits_without_lyricist",
                    CommentFormat::Credits,
                    {"", "", "", "B", "", ""},
                    false,
                    {},
                    QStringLiteral("作曲:B")},
        ComposeCase{"id_all_parts",
                    CommentFormat::IdAndCredits,
                    {"A1", "c.jpg", "L", "C", "R", "P"},
                    false,
                    {},
                    QStringLiteral("ID:A1/作詩:L/作曲:C/編曲:R/演奏:P")},
        ComposeCase{"id_empty_then_lyricist",
                    CommentFormat::IdAndCredits,
                    {"", "", "L", "", "", ""},
                    false,
                    {},
                    QStringLiteral("作詩:L")},
        // Blanks and control characters are trimmed; a full-width space is text.
        ComposeCase{"trimmed_empties",
                    CommentFormat::IdAndCredits,
                    {" \t", "", "   ", "\r\n", QStringLiteral("\u3000"), " P "},
                    false,
                    {},
                    QStringLiteral("編曲:\u3000/演奏:P")},
        ComposeCase{
            "all_empty_is_unchanged", CommentFormat::IdAndCredits, {}, false, kPresent, QString()},
        ComposeCase{"jacket_empty_is_unchanged",
                    CommentFormat::JacketImage,
                    {"id", " ", "", "", "", ""},
                    false,
                    kPresent,
                    QString()},
        // Appending: the present comment is continued, with "/" only after a ":".
        ComposeCase{"append_without_colon",
                    CommentFormat::Credits,
                    {"", "", "X", "", "", ""},
                    true,
                    QStringLiteral("Live"),
                    QStringLiteral("Live作詩:X")},
        ComposeCase{"append_with_colon",
                    CommentFormat::JacketImage,
                    {"", "a.jpg", "", "", "", ""},
                    true,
                    kPresent,
                    QStringLiteral("old:text/画像:a.jpg")},
        ComposeCase{"append_double_slash",
                    CommentFormat::IdAndCredits,
                    {"", "", "", "C", "", ""},
                    true,
                    kPresent,
                    QStringLiteral("old:text//作曲:C")},
        ComposeCase{"append_all_empty_trailing_slash",
                    CommentFormat::IdAndCredits,
                    {},
                    true,
                    kPresent,
                    QStringLiteral("old:text/")},
        ComposeCase{"append_empty_present",
                    CommentFormat::IdAndCredits,
                    {"7", "", "", "", "", ""},
                    true,
                    {},
                    QStringLiteral("ID:7")}),
    [](const auto& tp) { return std::string(tp.param.name); });

TEST(SplitTest, FindsPartsInAnyOrder) {
  const SplitParts p =
      Split(QStringLiteral("free text 演奏:P/作曲:C/ID:7/作詩:L/編曲:R/画像:a.jpg"));
  EXPECT_EQ(p.id, QStringLiteral("7"));
  EXPECT_EQ(p.jacket, QStringLiteral("a.jpg"));
  EXPECT_EQ(p.lyricist, QStringLiteral("L"));
  EXPECT_EQ(p.composer, QStringLiteral("C"));
  EXPECT_EQ(p.arranger, QStringLiteral("R"));
  EXPECT_EQ(p.performer, QStringLiteral("P"));
}

TEST(SplitTest, MissingMarkersStayUntouchedAndEmptyPartsAreEmpty) {
  const SplitParts p = Split(QStringLiteral("作詩:/作曲:A/作曲:B/演奏:"));
  EXPECT_FALSE(p.id.has_value());
  EXPECT_FALSE(p.jacket.has_value());
  EXPECT_FALSE(p.arranger.has_value());
  EXPECT_EQ(p.lyricist, QString());           // marker directly followed by "/"
  EXPECT_EQ(p.composer, QStringLiteral("A")); // first occurrence wins
  EXPECT_EQ(p.performer, QString());          // nothing after the marker
  EXPECT_FALSE(Split(QStringLiteral("just a comment")).lyricist.has_value());
}

TEST(SplitTest, ComposedCommentSplitsBack) {
  const CommentParts parts{"A1", "", "L", "C", "R", QStringLiteral("P 楽団")};
  const SplitParts p = Split(Compose(CommentFormat::IdAndCredits, parts, false, {}));
  EXPECT_EQ(p.id, parts.id);
  EXPECT_EQ(p.lyricist, parts.lyricist);
  EXPECT_EQ(p.performer, parts.performer);
}

TEST(FieldMemoryTest, TitleFromFileName) {
  EXPECT_EQ(FieldMemory::TitleFromFileName(QStringLiteral("01 曲.v2.mp3")),
            QStringLiteral("01 曲.v2"));
  EXPECT_EQ(FieldMemory::TitleFromFileName(QStringLiteral("noext")), QStringLiteral("noext"));
  EXPECT_EQ(FieldMemory::TitleFromFileName(QStringLiteral("/a.b/track")), QStringLiteral("track"));
  EXPECT_EQ(FieldMemory::TitleFromFileName(QStringLiteral("c:\\x\\t.wav")), QStringLiteral("t"));
}

} // namespace
