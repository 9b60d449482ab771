#include "app/cli/Terminal.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Writes all of `bytes`, going on after interruptions; gives up on any other error (a closed
// pipe: the reader has gone, and the exit status still tells).
void WriteAll(int fd, const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return;
    done += n;
  }
}

} // namespace

Terminal::Terminal(bool showProgress) : showProgress_(showProgress) {}

Terminal::~Terminal() {
  EndBar();
}

bool Terminal::ErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

bool Terminal::OutputIsTerminal() {
  return ::isatty(STDOUT_FILENO) == 1;
}

int Terminal::Columns() const {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
    return size.ws_col;
  return 80;
}

void Terminal::Out(const QString& text) {
  Write(STDOUT_FILENO, text);
}

void Terminal::Err(const QString& text) {
  Write(STDERR_FILENO, text);
}

void Terminal::Write(int fd, const QString& text) {
  HideBar();
  WriteAll(fd, (text + u'\n').toUtf8());
  if (!bar_.isEmpty())
    Bar(bar_);
}

void Terminal::Bar(const QString& line) {
  if (!showProgress_)
    return;
  bar_ = line;
  // Back to the line's start, the line written over, the rest of the old one erased.
  WriteAll(STDERR_FILENO, "\r" + line.toUtf8() + "\033[K");
  barDrawn_ = true;
}

void Terminal::HideBar() {
  if (barDrawn_) {
    WriteAll(STDERR_FILENO, "\r\033[K");
    barDrawn_ = false;
  }
}

void Terminal::EndBar() {
  HideBar();
  bar_.clear();
}
