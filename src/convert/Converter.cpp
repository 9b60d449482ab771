#include "convert/Converter.h"

#include "app/Navigator.h"
#include "convert/BatchRun.h"
#include "convert/ConvertPlan.h"
#include "convert/Mp3Verification.h"
#include "encoder/GogoTea.h"
#include "tags/TagEditor.h"

#include <QFileInfo>
#include <QPointer>
#include <QScopeGuard>

namespace {

const char* const kWavKept = "MP3ファイルを確かめられないため、WAVファイルを残しました";

} // namespace

Converter::Converter(MainView& view, TagEditor& tags, Navigator& navigator, TGogoTea& encoder,
                     MoveToTrash trash, const Options& options, QObject* window)
    : view_(view), tags_(tags), navigator_(navigator), encoder_(encoder), trash_(std::move(trash)),
      options_(options), window_(window) {
  // Tags are never written into the MP3 an encode is still writing.
  tags_.isBeingWritten = [this](const QString& path) {
    return encoder_.IsEncoding() && QFileInfo(encoder_.DestinationFile()) == QFileInfo(path);
  };
}

void Converter::ConvertShown() {
  const QString shown = navigator_.ShownFilePath();
  if (!ConvertPlan::IsWavPath(shown)) {
    view_.SetStatusText(2, ConvertPlan::RefusalText(ConvertPlan::Refusal::NotWav));
    return;
  }
  try {
    // A batch between two files has an empty marker but must not be joined by another encode.
    if (batch_ != nullptr)
      throw EGogoTeaError(QString::fromUtf8(GogoTeaMessages::ChangeWhileEncoding));
    ConvertOne(shown, 1, 1);
  } catch (const EGogoTeaError& e) {
    view_.ShowError(e.Message());
  }
}

void Converter::ConvertOne(const QString& source, int index, int total) {
  // One conversion at a time: the marker stays set until the end handler has finished with
  // the last one, even after the encoder itself is idle again.
  if (!encoder_.DestinationFile().isEmpty())
    throw EGogoTeaError(QString::fromUtf8(GogoTeaMessages::ChangeWhileEncoding));
  view_.ClearStatus();
  const ConvertPlan plan = ConvertPlan::Make(source, options_.Mp3UseFolder3, options_.Mp3FolderPath,
                                             options_.Mp3OverWriteMp3);
  if (plan.refusal != ConvertPlan::Refusal::None) {
    view_.SetStatusText(2, ConvertPlan::RefusalText(plan.refusal));
    return;
  }
  view_.SetStatusText(0, QString::asprintf("%d/%d", index, total));
  view_.SetStatusText(2, QFileInfo(source).fileName());
  encoder_.setSourceFile(source);
  encoder_.setDestinationFile(plan.destination);
  try {
    encoder_.StartEncode();
  } catch (const EGogoTeaError&) {
    // No encode runs, so no end handler would release the marker.
    encoder_.setDestinationFile(QString());
    throw;
  }
}

void Converter::ConvertAll() {
  if (navigator_.FileList().isEmpty() || view_.FileName().trimmed().isEmpty())
    return;
  if (batch_ != nullptr || !encoder_.DestinationFile().isEmpty()) {
    view_.ShowError(QString::fromUtf8(GogoTeaMessages::ChangeWhileEncoding));
    return;
  }

  // The window may be destroyed during a wait; `alive` tells, through the window.
  const QPointer<QObject> alive(window_);
  const bool hasWindow = window_ != nullptr;
  BatchRun run(window_);
  batch_ = &run;
  // However the loop is left, this converter (when its window still exists) forgets the batch.
  const auto forget = qScopeGuard([this, &alive, hasWindow] {
    if (!hasWindow || !alive.isNull())
      batch_ = nullptr;
  });
  convertedCount_ = 0;
  // The window stays usable during the waits. Opening another folder or dropping a file
  // replaces the list; its entries then are no longer the ones asked for, and the batch ends
  // there rather than converting files of another folder (or reading past a shorter list).
  const QStringList started = navigator_.FileList();
  const qsizetype count = started.size();
  try {
    for (qsizetype i = 0; i < count; ++i) {
      if (navigator_.FileList() != started)
        break;
      view_.ClearStatus();
      const QString entry = started.at(i);
      if (!ConvertPlan::IsWavPath(entry))
        continue;
      ConvertOne(entry, static_cast<int>(i + 1), static_cast<int>(count));
      // False when the window was closed or is gone, or the program is ending: no summary.
      if (!run.WaitWhile([this] { return !encoder_.DestinationFile().isEmpty(); }))
        return;
    }
  } catch (const EGogoTeaError& e) {
    view_.ShowError(e.Message());
    return;
  }
  batch_ = nullptr;

  view_.SetStatusText(2, QStringLiteral("%1 ファイルを変換しました").arg(convertedCount_));
  view_.WaitMs(3000);
  view_.ClearStatus();
}

void Converter::Progress(int nowFrames, int allFrames) {
  if (allFrames > 0)
    view_.SetProgress(static_cast<int>(qint64{nowFrames} * 100 / allFrames));
}

void Converter::Finish(bool aborted) {
  if (aborted) {
    view_.SetStatusText(1, QStringLiteral("中断"));
  } else {
    view_.SetStatusText(1, QStringLiteral("成功"));
    ++convertedCount_;
  }
  view_.WaitMs(1000);

  if (!aborted) {
    const QString source = encoder_.SourceFile();
    const QString destination = encoder_.DestinationFile();
    if (options_.Mp3WavId3ToMp3)
      tags_.CopyTags(source, destination);
    if (options_.Mp3DeleteWav) {
      // The WAV file is given up only for an MP3 that holds all of its audio.
      if (Mp3Verification::MatchesWav(source, destination)) {
        DeleteToRecycleBin(source);
      } else {
        view_.SetStatusText(2, QString::fromUtf8(kWavKept));
        view_.WaitMs(1000);
      }
    }
  }

  view_.SetProgress(0);
  view_.ClearStatus();
  encoder_.setDestinationFile(QString());
  if (batch_ != nullptr)
    batch_->Wake();
}

void Converter::DeleteToRecycleBin(const QString& path) {
  // Through the desktop's trash only: a file the trash cannot take stays where it is.
  if (trash_)
    trash_(path);
}
