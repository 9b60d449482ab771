#include "convert/BatchRun.h"

#include <QCoreApplication>
#include <QEventLoop>

BatchRun::BatchRun(QObject* window) {
  if (window)
    connect(window, &QObject::destroyed, this, &BatchRun::Stop);
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &BatchRun::Stop);
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
