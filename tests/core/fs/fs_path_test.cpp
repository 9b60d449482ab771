#include "core/fs/FsPath.h"

#include "AudioFixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <random>

namespace {

namespace fs = std::filesystem;

const QByteArray kKanaA("\x82\xA0", 2); // "あ" in CP932

// UTF-16 text as written, lone surrogates included.
QString S(QStringView text) {
  return text.toString();
}

QString Native(const fs::path& p) {
  return FsPath::Decode(QByteArray::fromStdString(p.native()));
}

TEST(FsPathCoding, AnyBytesComeBackExactly) {
  std::mt19937 random(7);
  for (int i = 0; i < 2000; ++i) {
    QByteArray bytes(static_cast<qsizetype>(random() % 24), '\0');
    for (char& b : bytes)
      b = static_cast<char>(random());
    ASSERT_EQ(FsPath::Encode(FsPath::Decode(bytes)), bytes) << bytes.toHex().constData();
  }
  const QByteArray cp932Name = "/music/" + kKanaA + "\x89\xB9\x8A\x79 01.wav"; // あ音楽
  EXPECT_EQ(FsPath::Encode(FsPath::Decode(cp932Name)), cp932Name);
  EXPECT_EQ(FsPath::Decode(kKanaA + ".wav"), S(u"\xDC82\xDCA0.wav"));
}

TEST(FsPathCoding, OnlyValidUtf8IsText) {
  const QString text = QString::fromUtf8("/音楽/🎵 あ.wav");
  EXPECT_EQ(FsPath::Decode(text.toUtf8()), text);
  EXPECT_EQ(FsPath::Encode(text), text.toUtf8());
  // Overlong "/", an encoded surrogate, a code point above U+10FFFF and a cut sequence are
  // each byte by byte, so none can pass for another name's characters.
  EXPECT_EQ(FsPath::Decode("\xC0\xAF"), S(u"\xDCC0\xDCAF"));
  EXPECT_EQ(FsPath::Decode("\xED\xA0\x80"), S(u"\xDCED\xDCA0\xDC80"));
  EXPECT_EQ(FsPath::Decode("\xF4\x90\x80\x80"), S(u"\xDCF4\xDC90\xDC80\xDC80"));
  EXPECT_EQ(FsPath::Decode("a\xE3\x81"), S(u"a\xDCE3\xDC81"));
}

TEST(FsPathDisplay, ReadsCp932NamesAsJapanese) {
  EXPECT_EQ(FsPath::Display(FsPath::Decode("/d/" + kKanaA + "/x.wav")), S(u"/d/あ/x.wav"));
  EXPECT_EQ(FsPath::Display(QString::fromUtf8("/音楽/a")), QString::fromUtf8("/音楽/a"));
  // A lone lead byte is not CP932 either.
  EXPECT_EQ(FsPath::Display(FsPath::Decode("/x\x82")), S(u"/x\u0082"));
}

TEST(FsPathAbsolute, CleansWithoutTouchingBytes) {
  const QString escaped = FsPath::Decode(kKanaA);
  EXPECT_EQ(FsPath::Absolute("/a//b/./c/../" + escaped + "/"), "/a/b/" + escaped);
  EXPECT_EQ(FsPath::Absolute("/../a/.."), "/");
  char cwd[PATH_MAX];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(FsPath::Absolute("x/../y"), FsPath::Decode(cwd) + "/y");
}

TEST(FsPathFiles, ReachesNamesQtCannot) {
  fixtures::TempDir dir;
  const fs::path file = dir / kKanaA.toStdString();
  fixtures::writeFile(file, {1, 2, 3});
  fs::create_directory(dir / "sub");
  fs::create_symlink(file, dir / "link");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);

  EXPECT_EQ(FsPath::KindOf(Native(file)), FsPath::Kind::File);
  EXPECT_TRUE(FsPath::IsFile(Native(file)));
  EXPECT_TRUE(FsPath::IsDir(Native(dir / "sub")));
  EXPECT_EQ(FsPath::KindOf(Native(dir / "fifo")), FsPath::Kind::Fifo);
  EXPECT_EQ(FsPath::KindOf(Native(dir / "link")), FsPath::Kind::File);
  // What Qt would have made of the name must not reach the file.
  EXPECT_EQ(FsPath::KindOf(Native(dir.path()) + S(u"/\uFFFD\uFFFD")), FsPath::Kind::Missing);
  EXPECT_TRUE(FsPath::SameFile(Native(file), Native(dir / "link")));
  EXPECT_FALSE(FsPath::SameFile(Native(file), Native(dir / "sub")));
  EXPECT_FALSE(FsPath::SameFile(Native(dir / "none"), Native(dir / "none")));
}

TEST(FsPathFiles, ArgumentsAndUrlsKeepTheirBytes) {
  EXPECT_EQ(FsPath::Encode(FsPath::FromLocal8Bit("/d/\x82\xA0.wav")), "/d/" + kKanaA + ".wav");
  EXPECT_EQ(FsPath::Encode(FsPath::FromFileUrl("file:///d/%82%A0%20%23.wav")),
            "/d/" + kKanaA + " #.wav");
  EXPECT_EQ(FsPath::FromFileUrl("FILE://localhost/a/b?q#f"), "/a/b");
  EXPECT_EQ(FsPath::FromFileUrl("file://server/a"), QString());
  EXPECT_EQ(FsPath::FromFileUrl("http:///a"), QString());
}

} // namespace
