#include "core/convert/BatchRun.h"

#include <QCoreApplication>
#include <QEventLoop>

BatchRun::BatchRun(QObject* owner) {
  if (owner)
    connect(owner, &QObject::destroyed, this, &BatchRun::Stop);
  connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &BatchRun::Stop);
}

bool BatchRun::WaitWhile(const std::function<bool()>& busy) {
  while (!stopped_ && busy()) {
    QEventLoop loop;
    loop_ = &loop;
    // A loop the application is leaving returns at once with -1 (every loop it starts does,
    // which would spin here): the batch stops. Any other return tests `busy` again; a return
    // without a wake is never taken for the end of the batch.
    const int code = loop.exec();
    loop_ = nullptr;
    if (code == -1)
      stopped_ = true;
  }
  return !stopped_;
}

void BatchRun::Wake() {
  if (loop_)
    loop_->quit();
}

void BatchRun::Stop() {
  stopped_ = true;
  if (loop_)
    loop_->quit();
}
