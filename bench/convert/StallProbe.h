// The longest time the window's thread took to handle an event: a probe thread posts one to it
// every 2 ms while the probe lives, and keeps the longest wait, and how much of it the window's
// thread spent working (the rest it was not given a processor: another program's work on a busy
// machine). Made on the window's thread.
#pragma once

#include <QCoreApplication>
#include <QObject>

#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

class StallProbe {
public:
  using Clock = std::chrono::steady_clock;

  explicit StallProbe(QObject* target) : target_(target) {
    pthread_getcpuclockid(pthread_self(), &windowClock_);
    thread_ = std::thread([this] {
      while (!stop_) {
        if (!pending_.exchange(true)) {
          const Clock::time_point sent = Clock::now();
          const double sentCpu = WindowCpuMs();
          QMetaObject::invokeMethod(
              target_,
              [this, sent, sentCpu] {
                const double ms =
                    std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
                if (ms > longest_) {
                  longest_ = ms;
                  busy_ = WindowCpuMs() - sentCpu;
                }
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
  // The window thread's processor time during the longest wait.
  double Busy() const { return busy_; }

private:
  double WindowCpuMs() const {
    timespec t{};
    clock_gettime(windowClock_, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  }

  QObject* target_;
  clockid_t windowClock_{};
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> pending_{false};
  double longest_ = 0;
  double busy_ = 0;
};
