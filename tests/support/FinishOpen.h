// An open walks its folder on a worker, and the tag editor reads and writes files' tags on its
// own; tests wait for what they conclude. OpenFolder plays the user picking a folder in the
// browser; ConvertAllOf the batch button, giving what the batch told when it ran to its end.
#pragma once

#include "core/convert/BatchResult.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"

#include <QCoreApplication>
#include <QThread>

#include <optional>

inline void FinishTagWork(const TagEditor& tags) {
  while (tags.Busy()) {
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
}

inline void FinishOpen(const Navigator& navigator) {
  while (navigator.Opening()) {
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
  FinishTagWork(navigator.tags());
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

inline std::optional<BatchResult> ConvertAllOf(Session& session) {
  std::optional<BatchResult> result;
  session.ConvertAll([&result](const BatchResult& told) { result = told; });
  return result;
}
