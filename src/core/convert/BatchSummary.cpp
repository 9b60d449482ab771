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
  if (batch.wavCount == 0)
    return {QString(), QString(), QStringLiteral("0 ファイルを変換しました")};
  BatchSummary summary;
  summary.counter = QStringLiteral("%1/%2").arg(converted).arg(batch.wavCount);
  summary.result =
      batch.Count(FileResult::Kind::Failed) == 0 ? QStringLiteral("成功") : QStringLiteral("失敗");
  const int notConverted = static_cast<int>(batch.files.size()) - converted;
  // Files the batch never came to: it ended when another list was opened, or could not go on.
  const int notReached = batch.wavCount - static_cast<int>(batch.files.size());
  const QString rest = notReached > 0 ? QStringLiteral("。%1、残りの %2 ファイルは変換していません")
                                            .arg(batch.stoppedBecause.isEmpty()
                                                     ? QStringLiteral("一覧が替わったため")
                                                     : batch.stoppedBecause)
                                            .arg(notReached)
                                      : QString();
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
