#include "gui/QtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

namespace {

TEST(QtTranslationsTest, StandardCancelButtonsReadJapanese) {
  ASSERT_TRUE(InstallQtJapaneseTranslations(*QCoreApplication::instance()));
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("キャンセル"));
  QMessageBox question(QMessageBox::Question, QStringLiteral("確認"), QStringLiteral("続けますか"),
                       QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(question.button(QMessageBox::Cancel)->text(), QStringLiteral("キャンセル"));
}

} // namespace
