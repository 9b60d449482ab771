#include "convert/BatchRun.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>

BatchRun::BatchRun(QObject* window) : window_(window) {
  if (window) {
    window->installEventFilter(this);
    connect(window, &QObject::destroyed, this, &BatchRun::Stop);
  }
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &BatchRun::Stop);
}

BatchRun::~BatchRun() {
  if (window_)
    window_->removeEventFilter(this);
}

bool BatchRun::WaitWhile(const std::function<bool()>& busy) {
  while (!stopped_ && busy()) {
    QEventLoop loop;
    loop_ = &loop;
    woken_ = false;
    loop.exec();
    loop_ = nullptr;
    // Left without a wake: the application is quitting and ends every loop it runs.
    if (!woken_)
      stopped_ = true;
  }
  return !stopped_;
}

void BatchRun::Wake() {
  woken_ = true;
  if (loop_)
    loop_->quit();
}

void BatchRun::Stop() {
  stopped_ = true;
  if (loop_)
    loop_->quit();
}

bool BatchRun::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Close)
    Stop();
  return QObject::eventFilter(watched, event);
}
