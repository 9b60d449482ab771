// An open walks its folder on a worker; tests wait for the list it fills. OpenFolder plays the
// user picking a folder in the browser.
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

inline void OpenFolder(Navigator& navigator, const QString& folder) {
  struct Pick : OpenDialogs {
    QString folder;
    QString DefaultFolder() override { return folder; }
    std::optional<Browsed> BrowseFolder(bool, const QString&) override {
      return Browsed{folder, folder};
    }
    void StartNextBrowseAt(const QString&) override {}
    QString OpenFile(const QString&) override { return {}; }
  } pick;
  pick.folder = folder;
  navigator.Open(pick);
  FinishOpen(navigator);
}
