// Turns the system's requests to end the program (SIGTERM at logout or shutdown, SIGHUP when
// the terminal goes, SIGINT from Ctrl+C) into an ordinary close of the main window, on the
// event loop's thread, so that the settings are saved and a running encode is stopped cleanly.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

class TerminationSignal : public QObject {
  Q_OBJECT
public:
  // Installs the handlers; `onRequest` runs on this object's thread for each request.
  explicit TerminationSignal(std::function<void()> onRequest, QObject* parent = nullptr);
  ~TerminationSignal() override;

private:
  void drain();

  std::function<void()> onRequest_;
  QSocketNotifier* notifier_ = nullptr;
};
