// Converts every WAV file of a folder as "WAV→MP3一括変換" does, with tag copy, overwrite and
// giving up each WAV file on (the trash is a folder), for a test that kills it part way.
//
//   kill_driver FOLDER TRASH [STOP]
//
// Prints one line per step ("progress NAME QUARTER", "finish NAME ABORTED", "tagged NAME" just
// before a rewritten tag replaces the encode's temporary file, "trash NAME", "trashed NAME",
// "wait MS NAME OK", "kept NAME REASON" for a file the batch did not convert, "end COUNT"). When a
// line equals STOP the driver stops there and waits to be killed, so that the test kills it at
// exactly that step. Steps come from the window's thread and from the worker that ends each file.
#include "FakeSessionView.h"
#include "FinishOpen.h"

#include "core/convert/BatchResult.h"
#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "core/settings/Options.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

std::string stopAt;
// The WAV file whose encode was finished last, and its temporary file: the worker ending it
// reads them.
std::mutex currentLock;
QString current = QStringLiteral("-");
QByteArray currentTemp;

QString Current() {
  const std::lock_guard lock(currentLock);
  return current;
}

void SetCurrent(const QString& name, const QByteArray& temp) {
  const std::lock_guard lock(currentLock);
  current = name;
  currentTemp = temp;
}

void Step(const QString& line) {
  const QByteArray bytes = line.toUtf8();
  std::printf("%s\n", bytes.constData());
  std::fflush(stdout);
  if (bytes.toStdString() == stopAt)
    for (;;)
      ::pause();
}

// The window's pauses: a result of files converted one at a time stands for a second, the
// batch's summary for three.
class StepView : public FakeSessionView {
public:
  using FakeSessionView::FakeSessionView;
  void ShowFileResult(const ConversionReport& report) override {
    if (report.nextWaits)
      Pause(1000, report.outcome == ConversionReport::Outcome::Placed);
    FakeSessionView::ShowFileResult(report);
  }
  void Pause(int ms, bool placed) {
    Step(QStringLiteral("wait %1 %2 %3")
             .arg(ms)
             .arg(Current(), placed ? QStringLiteral("ok") : QStringLiteral("-")));
  }
};

} // namespace

// The tag library rewrites a file into a hidden temporary file beside it and renames that over
// it; taking rename here gives the moment the tag replaces the encode's temporary file a step of
// its own. Everything else passes through.
extern "C" int rename(const char* from, const char* to) noexcept {
  using Rename = int (*)(const char*, const char*);
  static const auto real = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "rename"));
  const char* slash = std::strrchr(from, '/');
  const char* name = slash != nullptr ? slash + 1 : from;
  if (name[0] == '.' && std::strncmp(name, ".w2m-enc-", 9) != 0) {
    QString wav;
    {
      const std::lock_guard lock(currentLock);
      if (currentTemp == to)
        wav = current;
    }
    if (!wav.isEmpty())
      Step(QStringLiteral("tagged ") + wav);
  }
  return real(from, to);
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc < 3)
    return 2;
  const QString folder = QFile::decodeName(argv[1]);
  const QString trash = QFile::decodeName(argv[2]);
  if (argc > 3)
    stopAt = argv[3];

  StepView view{[&](const QString& path) {
    const QString name = QFileInfo(path).fileName();
    Step(QStringLiteral("trash ") + name);
    const Trash::Result moved{QFile::rename(path, trash + u'/' + name), {}};
    Step(QStringLiteral("trashed ") + name);
    return moved;
  }};
  Session session{view, view};
  Options& options = session.options();
  options.copyWavTagToMp3 = true;
  options.moveWavToTrash = true;
  options.overwriteMp3 = true;
  // The steps are those of one file after the other; a kill by time meets the batch as the
  // program runs it by default, several files at once.
  options.mp3Jobs = stopAt.empty() ? 0 : 1;
  EncoderComponent& encoder = session.encoder();
  int quarter = -1;
  encoder.OnProgress = [&, progress = encoder.OnProgress](QObject* s, int now, int all) {
    progress(s, now, all);
    const int q = all > 0 ? now * 4 / all : 0;
    if (quarter < 0)
      SetCurrent(QStringLiteral("-"), {});
    if (q != quarter) {
      quarter = q;
      Step(QStringLiteral("progress %1 %2").arg(QFileInfo(encoder.SourceFile()).fileName()).arg(q));
    }
  };
  encoder.OnFinish = [&, finish = encoder.OnFinish](QObject* s, bool aborted) {
    quarter = -1;
    const QString name = QFileInfo(encoder.SourceFile()).fileName();
    SetCurrent(name, QFile::encodeName(encoder.DestinationFile()));
    Step(QStringLiteral("finish %1 %2").arg(name).arg(aborted ? 1 : 0));
    finish(s, aborted);
  };

  QStringList list;
  for (const QString& name :
       QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name))
    list.append(folder + u'/' + name);
  if (list.isEmpty())
    return 0;
  session.navigator().ShowList(list, 0);
  FinishOpen(session.navigator());
  // The summary's pause, as the window takes it after the batch.
  const std::optional<BatchResult> result = ConvertAllOf(session);
  // What became of each file that was not converted, and why.
  for (const FileResult& file : result ? result->files : std::vector<FileResult>())
    if (file.kind != FileResult::Kind::Converted)
      Step(QStringLiteral("kept %1 %2").arg(QFileInfo(file.wav).fileName(), file.reason));
  const bool ended = result.has_value();
  SetCurrent(QStringLiteral("-"), {});
  if (ended) {
    view.Pause(3000, false);
    QCoreApplication::processEvents();
  }
  Step(QStringLiteral("end %1").arg(result ? result->Count(FileResult::Kind::Converted) : 0));
  return 0;
}
