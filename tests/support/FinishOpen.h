// An open walks its folder on a worker; tests wait for the list it fills.
#pragma once

#include "core/session/Navigator.h"

#include <QCoreApplication>
#include <QThread>

inline void FinishOpen(const Navigator& navigator) {
  while (navigator.Opening()) {
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
}
