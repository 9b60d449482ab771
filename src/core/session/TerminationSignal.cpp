#include "core/session/TerminationSignal.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The self-pipe: the handler may only write a byte, the signal's number; the event loop reads
// it.
int g_pipe[2] = {-1, -1};

extern "C" void onSignal(int sig) {
  const int saved = errno;
  const char byte = static_cast<char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
  errno = saved;
}

} // namespace

TerminationSignal::TerminationSignal(std::function<void()> onRequest, QObject* parent)
    : QObject(parent), onRequest_(std::move(onRequest)) {
  if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
    return;
  notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignal::drain);
  struct sigaction sa {};
  sa.sa_handler = onSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGTERM, SIGINT, SIGHUP})
    ::sigaction(sig, &sa, nullptr);
}

TerminationSignal::~TerminationSignal() {
  struct sigaction sa {};
  sa.sa_handler = SIG_DFL;
  sigemptyset(&sa.sa_mask);
  for (int sig : {SIGTERM, SIGINT, SIGHUP})
    ::sigaction(sig, &sa, nullptr);
}

void TerminationSignal::drain() {
  char buffer[64];
  ssize_t n = 0;
  while ((n = ::read(g_pipe[0], buffer, sizeof buffer)) > 0) {
    if (firstSignal_ == 0)
      firstSignal_ = buffer[0];
  }
  if (onRequest_)
    onRequest_();
}
