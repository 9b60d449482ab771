// Turns the system's requests to end the program (SIGTERM at logout or shutdown, SIGHUP when
// the terminal goes, SIGINT from Ctrl+C) into an ordinary end of the program (the main window
// closed, the command line's batch stopped), on the event loop's thread, so that the settings
// are saved and running encodes are stopped cleanly.
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

  // The signal of the first request (SIGTERM, SIGINT or SIGHUP); 0 before any.
  int FirstSignal() const { return firstSignal_; }

private:
  void drain();

  std::function<void()> onRequest_;
  QSocketNotifier* notifier_ = nullptr;
  int firstSignal_ = 0;
};
