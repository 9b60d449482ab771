// Where the command line writes: results to standard output, problems to standard error, and,
// when standard error is a terminal (and not --quiet), a progress bar kept on its last line:
// every line written goes above it.
#pragma once

#include <QString>

class Terminal {
public:
  // `showProgress`: the bar and the closing summary are written.
  explicit Terminal(bool showProgress);
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // Whether standard error is a terminal.
  static bool ErrorIsTerminal();
  // Whether standard output is a terminal.
  static bool OutputIsTerminal();

  bool ShowsProgress() const { return showProgress_; }
  // The terminal's width in characters (80 when it does not say).
  int Columns() const;

  // One line (or several) on standard output, or on standard error.
  void Out(const QString& text);
  void Err(const QString& text);
  // Draws `line` as the bar; nothing when progress is not shown.
  void Bar(const QString& line);
  // Takes the bar away.
  void EndBar();

private:
  void Write(int fd, const QString& text);
  void HideBar();

  bool showProgress_;
  QString bar_;
  bool barDrawn_ = false;
};
