// The longest time the window's thread took to handle an event: a probe thread posts one to it
// every 2 ms while the probe lives, and keeps the longest wait.
#pragma once

#include <QCoreApplication>
#include <QObject>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

class StallProbe {
public:
  using Clock = std::chrono::steady_clock;

  explicit StallProbe(QObject* target) : target_(target) {
    thread_ = std::thread([this] {
      while (!stop_) {
        if (!pending_.exchange(true)) {
          const Clock::time_point sent = Clock::now();
          QMetaObject::invokeMethod(
              target_,
              [this, sent] {
                const double ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
                longest_ = std::max(longest_, ms);
                pending_ = false;
              },
              Qt::QueuedConnection);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
  }
  ~StallProbe() { Stop(); }
  // The longest wait once the probe stopped; a last event still queued counts as it stands.
  double Stop() {
    if (thread_.joinable()) {
      stop_ = true;
      thread_.join();
      QCoreApplication::processEvents();
    }
    return longest_;
  }

private:
  QObject* target_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> pending_{false};
  double longest_ = 0;
};
