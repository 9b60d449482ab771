#include "core/tags/CommentText.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <ostream>
#include <tuple>

using namespace CommentText;

namespace {

// The parts are given as id|jacket|lyricist|composer|arranger|performer.
struct ComposeCase {
  const char* name;
  CommentFormat format;
  const char* parts;
  bool append;
  const char* present;
  const char* expected;
};

void PrintTo(const ComposeCase& c, std::ostream* os) {
  *os << c.name;
}

class ComposeTest : public ::testing::TestWithParam<ComposeCase> {};

TEST_P(ComposeTest, ComposesParts) {
  const ComposeCase& c = GetParam();
  const QStringList p = QString::fromUtf8(c.parts).split(u'|');
  ASSERT_EQ(p.size(), 6);
  const CommentParts parts{p[0], p[1], p[2], p[3], p[4], p[5]};
  EXPECT_EQ(Compose(c.format, parts, c.append, QString::fromUtf8(c.present)),
            QString::fromUtf8(c.expected));
}

using F = CommentFormat;
const char* const kPresent = "old:text";

INSTANTIATE_TEST_SUITE_P(
    Formats, ComposeTest,
    ::testing::Values(
        ComposeCase{"jacket", F::JacketImage, "id| cover.jpg |x|y|z|w", false, kPresent,
                    "画像:cover.jpg"},
        ComposeCase{"credits_skip_composer", F::Credits, "id|c.jpg|X||Y|Z", false, kPresent,
                    "作詩:X/編曲:Y/演奏:Z"},
        ComposeCase{"credits_without_lyricist", F::Credits, "|||B||", false, "", "作曲:B"},
        ComposeCase{"id_all_parts", F::IdAndCredits, "A1|c.jpg|L|C|R|P", false, "",
                    "ID:A1/作詩:L/作曲:C/編曲:R/演奏:P"},
        ComposeCase{"id_empty_then_lyricist", F::IdAndCredits, "||L|||", false, "", "作詩:L"},
        // Blanks and control characters are trimmed; a full-width space is text.
        ComposeCase{"trimmed_empties", F::IdAndCredits, " \t||   |\r\n|\u3000| P ", false, "",
                    "編曲:\u3000/演奏:P"},
        ComposeCase{"all_empty_is_unchanged", F::IdAndCredits, "|||||", false, kPresent, ""},
        ComposeCase{"jacket_empty_is_unchanged", F::JacketImage, "id| ||||", false, kPresent, ""},
        // Appending: the present comment is continued, with "/" only after a ":".
        ComposeCase{"append_without_colon", F::Credits, "||X|||", true, "Live", "Live作詩:X"},
        ComposeCase{"append_with_colon", F::JacketImage, "|a.jpg||||", true, kPresent,
                    "old:text/画像:a.jpg"},
        ComposeCase{"append_double_slash", F::IdAndCredits, "|||C||", true, kPresent,
                    "old:text//作曲:C"},
        ComposeCase{"append_all_empty_trailing_slash", F::IdAndCredits, "|||||", true, kPresent,
                    "old:text/"},
        ComposeCase{"append_empty_present", F::IdAndCredits, "7|||||", true, "", "ID:7"}),
    [](const auto& tp) { return std::string(tp.param.name); });

TEST(PartTest, FindsPartsInAnyOrder) {
  const QString comment = QStringLiteral("free text 演奏:P/作曲:C/ID:7/作詩:L/編曲:R/画像:a.jpg");
  EXPECT_EQ(Part(comment, kIdMarker), QStringLiteral("7"));
  EXPECT_EQ(Part(comment, kJacketMarker), QStringLiteral("a.jpg"));
  EXPECT_EQ(Part(comment, kLyricistMarker), QStringLiteral("L"));
  EXPECT_EQ(Part(comment, kComposerMarker), QStringLiteral("C"));
  EXPECT_EQ(Part(comment, kArrangerMarker), QStringLiteral("R"));
  EXPECT_EQ(Part(comment, kPerformerMarker), QStringLiteral("P"));
}

TEST(PartTest, MissingMarkersStayUntouchedAndEmptyPartsAreEmpty) {
  const QString comment = QStringLiteral("作詩:/作曲:A/作曲:B/演奏:");
  EXPECT_FALSE(Part(comment, kIdMarker).has_value());
  EXPECT_FALSE(Part(comment, kJacketMarker).has_value());
  EXPECT_FALSE(Part(comment, kArrangerMarker).has_value());
  EXPECT_EQ(Part(comment, kLyricistMarker), QString());           // marker directly followed by "/"
  EXPECT_EQ(Part(comment, kComposerMarker), QStringLiteral("A")); // first occurrence wins
  EXPECT_EQ(Part(comment, kPerformerMarker), QString());          // nothing after the marker
  EXPECT_FALSE(Part(QStringLiteral("just a comment"), kLyricistMarker).has_value());
}

TEST(PartTest, ComposedCommentSplitsBack) {
  const CommentParts parts{"A1", "", "L", "C", "R", QStringLiteral("P 楽団")};
  const QString comment = Compose(CommentFormat::IdAndCredits, parts, false, {});
  EXPECT_EQ(Part(comment, kIdMarker), parts.id);
  EXPECT_EQ(Part(comment, kLyricistMarker), parts.lyricist);
  EXPECT_EQ(Part(comment, kPerformerMarker), parts.performer);
}

// A write puts a typed part into the comment: in its place, appended, or removed when emptied;
// the rest of the comment stays.
TEST(WithPartTest, ChangesOnlyThatPart) {
  const std::tuple<const char*, const QString&, const char*, const char*> cases[] = {
      {"ライブ/作詩:A/作曲:B/画像:c.jpg", kComposerMarker, "C", "ライブ/作詩:A/作曲:C/画像:c.jpg"},
      {"ライブ/作詩:A/作曲:B", kLyricistMarker, "", "ライブ/作曲:B"},
      {"作詩:A/作曲:B", kLyricistMarker, "", "作曲:B"},
      {"ライブ", kPerformerMarker, "X", "ライブ/演奏:X"},
      {"", kIdMarker, "X", "ID:X"}};
  for (const auto& [comment, marker, value, expected] : cases)
    EXPECT_EQ(WithPart(QString::fromUtf8(comment), marker, QString::fromUtf8(value)),
              QString::fromUtf8(expected));
}

} // namespace
