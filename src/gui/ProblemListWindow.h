// The files of the last conversion that were not converted, or were converted with a word to
// say, each with its reason: a small window the status bar's button opens, beside the main
// window and without holding it up. Esc or 閉じる closes it.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;

class ProblemListWindow : public QDialog {
  Q_OBJECT
public:
  explicit ProblemListWindow(QWidget* parent);

  // Shows `lines` ("<path>: <why>"), one a line.
  void ShowLines(const QStringList& lines);
  QString Text() const;

private:
  QLabel* label_ = nullptr;
  QPlainTextEdit* list_ = nullptr;
};
