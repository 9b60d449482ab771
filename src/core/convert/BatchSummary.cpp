#include "core/convert/BatchSummary.h"

#include "core/fs/FsPath.h"

#include <QStringList>

#include <algorithm>

namespace {

// The reasons a file was not converted, as the summary names them.
QString KindText(FileResult::Kind kind) {
  switch (kind) {
  case FileResult::Kind::Skipped:
    return QStringLiteral("既にMP3あり");
  case FileResult::Kind::Refused:
    return QStringLiteral("変換できないファイル");
  case FileResult::Kind::Failed:
    return QStringLiteral("失敗");
  case FileResult::Kind::Converted:
    break;
  }
  return {};
}

} // namespace

BatchSummary SummarizeBatch(const BatchResult& batch) {
  const int converted = batch.Count(FileResult::Kind::Converted);
  // Files the batch never came to: it ended when another list was opened, or could not go on.
  const int notReached = batch.wavCount - static_cast<int>(batch.files.size());
  const QString cause =
      batch.stoppedBecause.isEmpty() ? QStringLiteral("一覧が替わったため") : batch.stoppedBecause;
  BatchSummary summary;
  int noted = 0;
  for (const FileResult& file : batch.files) {
    if (file.kind == FileResult::Kind::Converted && file.reason.isEmpty())
      continue;
    noted += file.kind == FileResult::Kind::Converted;
    summary.problems.append(FsPath::Display(file.wav) + QStringLiteral(": ") +
                            (file.reason.isEmpty() ? KindText(file.kind) : file.reason));
  }
  if (notReached > 0) {
    summary.unfinished =
        QStringLiteral("残りの %1 ファイル: %2変換していません").arg(notReached).arg(cause);
    summary.problems.append(summary.unfinished);
  }
  if (batch.wavCount == 0) {
    summary.message = QStringLiteral("0 ファイルを変換しました");
    return summary;
  }
  summary.counter = QStringLiteral("%1/%2").arg(converted).arg(batch.wavCount);
  const bool allBecameMp3 =
      notReached == 0 && converted + batch.Count(FileResult::Kind::Skipped) == batch.wavCount;
  summary.result = converted == batch.wavCount && noted == 0 ? QStringLiteral("成功")
                   : allBecameMp3                            ? QStringLiteral("注意")
                                                             : QStringLiteral("失敗");
  const int notConverted = static_cast<int>(batch.files.size()) - converted;
  QString rest =
      notReached > 0
          ? QStringLiteral("。%1、残りの %2 ファイルは変換していません").arg(cause).arg(notReached)
          : QString();
  if (noted > 0)
    rest += QStringLiteral("。%1 ファイルには注意があります").arg(noted);
  if (notConverted == 0) {
    summary.message = QStringLiteral("%1 ファイルを変換しました").arg(converted) + rest;
    return summary;
  }
  QStringList kinds;
  for (const FileResult::Kind kind :
       {FileResult::Kind::Skipped, FileResult::Kind::Refused, FileResult::Kind::Failed}) {
    if (const int n = batch.Count(kind); n > 0)
      kinds.append(n == notConverted ? KindText(kind)
                                     : QStringLiteral("%1 %2").arg(KindText(kind)).arg(n));
  }
  const auto notDone =
      std::find_if(batch.files.begin(), batch.files.end(),
                   [](const FileResult& f) { return f.kind != FileResult::Kind::Converted; });
  const QString why = kinds.join(QStringLiteral("・"));
  summary.message =
      notConverted == 1
          ? QStringLiteral("%1 は変換しませんでした（%2）")
                .arg(FsPath::DisplayName(notDone->wav), why)
          : QStringLiteral("%1 ファイルは変換しませんでした（%2）").arg(notConverted).arg(why);
  summary.message += rest;
  return summary;
}
