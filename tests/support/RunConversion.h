// Runs a session's conversions from a test as the window's event loop would: until the one
// under way has been shown, or a batch has ended.
#pragma once

#include "core/convert/Converter.h"
#include "core/session/Session.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <optional>

inline void FinishConversion(Session& session) {
  while (session.converter().Busy())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// "WAV→MP3一括変換": what became of each file; nullopt when no batch ran to its end.
inline std::optional<BatchResult> RunBatch(Session& session) {
  std::optional<std::optional<BatchResult>> ended;
  session.ConvertAll([&ended](const std::optional<BatchResult>& result) { ended = result; });
  while (!ended)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return *ended;
}
