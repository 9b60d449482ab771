// The main window's conversions: the shown WAV file, every WAV file of the list, and what
// follows the end of each encode (result, tag copy, giving up the WAV file).
#include "app/Platform.h"
#include "app/Unit1.h"
#include "convert/BatchRun.h"
#include "convert/ConvertPlan.h"
#include "convert/Mp3Verification.h"
#include "encoder/GogoTea.h"
#include "ui/Option.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QScopeGuard>

namespace {

bool Checked(const TfrmOption* options, QCheckBox* TfrmOption::*box) {
  return options != nullptr && (options->*box) != nullptr && (options->*box)->isChecked();
}

const char* const kWavKept = "MP3ファイルを確かめられないため、WAVファイルを残しました";

} // namespace

void TForm1::Button6Click() {
  if (!ConvertPlan::IsWavPath(ShownFilePath)) {
    SetStatusText(2, ConvertPlan::RefusalText(ConvertPlan::Refusal::NotWav));
    return;
  }
  try {
    // A batch between two files has an empty marker but must not be joined by another encode.
    if (Batch != nullptr)
      throw EGogoTeaError(QString::fromUtf8(GogoTeaMessages::ChangeWhileEncoding));
    ConvertOne(ShownFilePath, 1, 1);
  } catch (const EGogoTeaError& e) {
    platform.ShowError(this, e.Message());
  }
}

void TForm1::ConvertOne(const QString& source, int index, int total) {
  // One conversion at a time: the marker stays set until the end handler has finished with
  // the last one, even after the encoder itself is idle again.
  if (!GogoTea1->DestinationFile().isEmpty())
    throw EGogoTeaError(QString::fromUtf8(GogoTeaMessages::ChangeWhileEncoding));
  ClearStatus();
  const ConvertPlan plan =
      ConvertPlan::Make(source, Checked(frmOption, &TfrmOption::CheckBox7),
                        frmOption && frmOption->Edit1 ? frmOption->Edit1->toolTip() : QString(),
                        Checked(frmOption, &TfrmOption::CheckBox6));
  if (plan.refusal != ConvertPlan::Refusal::None) {
    SetStatusText(2, ConvertPlan::RefusalText(plan.refusal));
    return;
  }
  SetStatusText(0, QString::asprintf("%d/%d", index, total));
  SetStatusText(2, QFileInfo(source).fileName());
  GogoTea1->setSourceFile(source);
  GogoTea1->setDestinationFile(plan.destination);
  try {
    GogoTea1->StartEncode();
  } catch (const EGogoTeaError&) {
    // No encode runs, so no end handler would release the marker.
    GogoTea1->setDestinationFile(QString());
    throw;
  }
}

void TForm1::Button9Click() {
  if (FileList.isEmpty() || Edit13->text().trimmed().isEmpty())
    return;
  if (Batch != nullptr || !GogoTea1->DestinationFile().isEmpty()) {
    platform.ShowError(this, QString::fromUtf8(GogoTeaMessages::ChangeWhileEncoding));
    return;
  }

  const QPointer<TForm1> self(this);
  BatchRun run(this);
  Batch = &run;
  // However the loop is left, the window (when it still exists) forgets this batch.
  const auto forget = qScopeGuard([this, &self] {
    if (!self.isNull())
      Batch = nullptr;
  });
  ConvertedCount = 0;
  // The window stays usable during the waits. Opening another folder or dropping a file
  // replaces the list; its entries then are no longer the ones asked for, and the batch ends
  // there rather than converting files of another folder (or reading past a shorter list).
  const QStringList started = FileList;
  const qsizetype count = started.size();
  try {
    for (qsizetype i = 0; i < count; ++i) {
      if (FileList != started)
        break;
      ClearStatus();
      const QString entry = FileList.at(i);
      if (!ConvertPlan::IsWavPath(entry))
        continue;
      ConvertOne(entry, static_cast<int>(i + 1), static_cast<int>(FileList.size()));
      // False when the window was closed or is gone, or the program is ending: no summary.
      if (!run.WaitWhile([this] { return !GogoTea1->DestinationFile().isEmpty(); }))
        return;
    }
  } catch (const EGogoTeaError& e) {
    platform.ShowError(this, e.Message());
    return;
  }
  Batch = nullptr;

  SetStatusText(2, QStringLiteral("%1 ファイルを変換しました").arg(ConvertedCount));
  WaitMs(3000);
  ClearStatus();
}

void TForm1::GogoTea1Progress(QObject*, int nowFrames, int AllFrames) {
  if (AllFrames > 0)
    ProgressBar1->setValue(static_cast<int>(qint64{nowFrames} * 100 / AllFrames));
}

void TForm1::GogoTea1Finish(QObject*, bool IsAborted) {
  if (IsAborted) {
    SetStatusText(1, QStringLiteral("中断"));
  } else {
    SetStatusText(1, QStringLiteral("成功"));
    ++ConvertedCount;
  }
  WaitMs(1000);

  if (!IsAborted) {
    const QString source = GogoTea1->SourceFile();
    const QString destination = GogoTea1->DestinationFile();
    if (Checked(frmOption, &TfrmOption::CheckBox8)) {
      ShowFileTags(source);
      WriteShownTags(destination);
    }
    if (Checked(frmOption, &TfrmOption::CheckBox2)) {
      // The WAV file is given up only for an MP3 that holds all of its audio.
      if (Mp3Verification::MatchesWav(source, destination)) {
        DeleteToRecycleBin(source);
      } else {
        SetStatusText(2, QString::fromUtf8(kWavKept));
        WaitMs(1000);
      }
    }
  }

  ProgressBar1->setValue(0);
  ClearStatus();
  GogoTea1->setDestinationFile(QString());
  if (Batch != nullptr)
    Batch->Wake();
}

void TForm1::DeleteToRecycleBin(const QString& path) {
  // Through the desktop's trash only: a file the trash cannot take stays where it is.
  platform.MoveToTrash(path);
}
