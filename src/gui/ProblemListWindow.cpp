#include "gui/ProblemListWindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

ProblemListWindow::ProblemListWindow(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("problemListWindow"));
  setWindowTitle(QStringLiteral("変換で問題のあったファイル"));
  setModal(false);
  label_ = new QLabel(QStringLiteral("ファイルと理由(&L):"), this);
  list_ = new QPlainTextEdit(this);
  list_->setObjectName(QStringLiteral("problemList"));
  list_->setReadOnly(true);
  list_->setLineWrapMode(QPlainTextEdit::NoWrap);
  list_->setAccessibleName(QStringLiteral("ファイルと理由"));
  label_->setBuddy(list_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("closeButton"));
  close->setAccessibleName(QStringLiteral("閉じる"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(list_);
  layout->addWidget(buttons);
  resize(560, 240);
}

void ProblemListWindow::ShowLines(const QStringList& lines) {
  list_->setPlainText(lines.join(u'\n'));
}

QString ProblemListWindow::Text() const {
  return list_->toPlainText();
}
