#include "FakeGogoClient.h"

#include "core/encoder/EncoderBinding.h"

#include <QFileInfo>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

class EncoderBinding : public ::testing::Test {
protected:
  void SetUp() override {
    ReleaseEncoderLibrary();
    SetEncoderLibraryPlainName(fake::MissingName);
    fake::setInstallPath({});
  }
  void TearDown() override { ReleaseEncoderLibrary(); }
};

TEST_F(EncoderBinding, PlainNameWinsAndTheSettingsAreNotUsed) {
  SetEncoderLibraryPlainName(fake::Path);
  fake::setInstallPath(QString::fromUtf8(fake::IncompletePath));
  ASSERT_TRUE(LoadEncoderLibrary());
  EXPECT_TRUE(EncoderLibraryPath().isEmpty());
  EXPECT_FALSE(fake::isLoaded(fake::IncompletePath));
  EXPECT_NE(EncoderModule::MPGE_getVersion, nullptr);
}

TEST_F(EncoderBinding, InstallPathIsUsedExactlyAsStored) {
  const QString path = QString::fromUtf8(fake::Path);
  fake::setInstallPath(path);
  ASSERT_TRUE(LoadEncoderLibrary());
  EXPECT_EQ(EncoderLibraryPath(), path);
  EXPECT_TRUE(fake::isLoaded(fake::Path));
  UnloadEncoderLibrary();
  EXPECT_FALSE(fake::isLoaded(fake::Path));
  EXPECT_EQ(EncoderLibraryRefCount(), 0);
}

struct BadInstallPath {
  const char* name;
  QVariant value;
};

class EncoderBindingRefused : public EncoderBinding,
                              public ::testing::WithParamInterface<BadInstallPath> {};

TEST_P(EncoderBindingRefused, LoadFailsAndLeavesNothingLoaded) {
  fake::setInstallPath(GetParam().value);
  EXPECT_FALSE(LoadEncoderLibrary());
  EXPECT_EQ(EncoderLibraryRefCount(), 0);
  EXPECT_FALSE(EncoderLibraryBound());
  EXPECT_TRUE(EncoderLibraryPath().isEmpty());
  EXPECT_FALSE(fake::isLoaded(fake::IncompletePath));
  EXPECT_FALSE(fake::isLoaded(fake::Path));
}

INSTANTIATE_TEST_SUITE_P(
    , EncoderBindingRefused,
    ::testing::Values(
        BadInstallPath{"NoValue", QVariant()}, BadInstallPath{"EmptyText", QVariant(QString())},
        BadInstallPath{"Folder", QVariant(QFileInfo(QString::fromUtf8(fake::Path)).absolutePath())},
        BadInstallPath{"MissingOneEntryPoint", QVariant(QString::fromUtf8(fake::IncompletePath))},
        // Values that are not text: the path is not guessed from them.
        BadInstallPath{"ByteArray", QVariant(QByteArray(fake::Path))},
        BadInstallPath{"List", QVariant(QStringList{QString::fromUtf8(fake::Path), "x"})}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(EncoderBinding, ReferencesAreCounted) {
  SetEncoderLibraryPlainName(fake::Path);
  ASSERT_TRUE(LoadEncoderLibrary());
  ASSERT_TRUE(LoadEncoderLibrary());
  EXPECT_EQ(EncoderLibraryRefCount(), 2);
  UnloadEncoderLibrary();
  EXPECT_TRUE(fake::isLoaded(fake::Path));
  UnloadEncoderLibrary();
  EXPECT_FALSE(fake::isLoaded(fake::Path));
  EXPECT_EQ(EncoderLibraryRefCount(), 0);
}

TEST_F(EncoderBinding, UnloadAfterFailedLoadGoesBelowZeroAndNextLoadStartsAtOne) {
  ASSERT_FALSE(LoadEncoderLibrary());
  UnloadEncoderLibrary();
  EXPECT_EQ(EncoderLibraryRefCount(), -1);
  SetEncoderLibraryPlainName(fake::Path);
  ASSERT_TRUE(LoadEncoderLibrary());
  EXPECT_EQ(EncoderLibraryRefCount(), 1);
}

TEST_F(EncoderBinding, ProgramEndReleasesWhateverTheCount) {
  fake::setInstallPath(QString::fromUtf8(fake::Path));
  ASSERT_TRUE(LoadEncoderLibrary());
  ASSERT_TRUE(LoadEncoderLibrary());
  ReleaseEncoderLibrary();
  EXPECT_FALSE(fake::isLoaded(fake::Path));
  EXPECT_EQ(EncoderLibraryRefCount(), 0);
  EXPECT_TRUE(EncoderLibraryPath().isEmpty());
}

} // namespace
