// An open walks its folder on a worker, the tag editor reads and writes files' tags on its own,
// and a conversion runs on the event loop; tests wait for what they conclude. OpenFolder plays
// the user picking a folder in the browser; ConvertAllOf the batch button, giving what the batch
// told at its end (nullopt when none ran to its end).
#pragma once

#include "core/convert/BatchResult.h"
#include "core/convert/Converter.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"

#include <QCoreApplication>
#include <QEventLoop>
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
  std::optional<std::optional<BatchResult>> ended;
  session.ConvertAll([&ended](const std::optional<BatchResult>& told) { ended = told; });
  while (!ended)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return *ended;
}

// Until the conversion under way (or one waiting for the tag work before it) has been shown,
// or a batch has ended.
inline void FinishConversion(Session& session) {
  while (session.tagEditor().Busy() || session.converter().Busy())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
