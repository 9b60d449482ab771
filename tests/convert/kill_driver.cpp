// Converts every WAV file of a folder as "WAV→MP3一括変換" does, with tag copy, overwrite and
// giving up each WAV file on (the trash is a folder), for a test that kills it part way.
//
//   kill_driver FOLDER TRASH [STOP]
//
// Prints one line per step ("progress NAME QUARTER", "finish NAME ABORTED", "wait MS NAME OK",
// "tagged NAME" just before a rewritten tag replaces the MP3, "trash NAME", "trashed NAME",
// "end COUNT"). When a line equals STOP the driver stops there
// and waits to be killed, so that the test kills it at exactly that step.
#include "FakeMainView.h"

#include "app/Navigator.h"
#include "app/Options.h"
#include "convert/Converter.h"
#include "encoder/GogoTea.h"
#include "tags/TagEditor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

std::string stopAt;
// The WAV file whose encode is being finished.
QString current = QStringLiteral("-");

void Step(const QString& line) {
  const QByteArray bytes = line.toUtf8();
  std::printf("%s\n", bytes.constData());
  std::fflush(stdout);
  if (bytes.toStdString() == stopAt)
    for (;;)
      ::pause();
}

class StepView : public FakeMainView {
public:
  void WaitMs(int ms) override {
    Step(QStringLiteral("wait %1 %2 %3")
             .arg(ms)
             .arg(current, panels[1] == QStringLiteral("成功") ? QStringLiteral("ok")
                                                               : QStringLiteral("-")));
    FakeMainView::WaitMs(ms);
  }
};

} // namespace

// The tag library rewrites a file into a hidden temporary file beside it and renames that over
// it; taking rename here gives that moment a step of its own. Everything else passes through.
extern "C" int rename(const char* from, const char* to) noexcept {
  using Rename = int (*)(const char*, const char*);
  static const auto real = reinterpret_cast<Rename>(::dlsym(RTLD_NEXT, "rename"));
  const char* slash = std::strrchr(from, '/');
  const char* name = slash != nullptr ? slash + 1 : from;
  if (name[0] == '.' && std::strncmp(name, ".w2m-enc-", 9) != 0) {
    const char* target = std::strrchr(to, '/');
    Step(QStringLiteral("tagged ") + QFile::decodeName(target != nullptr ? target + 1 : to));
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

  StepView view;
  Options options;
  options.Mp3WavId3ToMp3 = true;
  options.Mp3DeleteWav = true;
  options.Mp3OverWriteMp3 = true;
  // The steps are those of one file after the other; a kill by time meets the batch as the
  // program runs it by default, several files at once.
  options.Mp3Jobs = stopAt.empty() ? 0 : 1;
  TagEditor tags{view, options};
  Navigator navigator{view, tags, options};
  TGogoTea encoder{nullptr};
  Converter converter{view,
                      tags,
                      navigator,
                      encoder,
                      [&](const QString& path) {
                        const QString name = QFileInfo(path).fileName();
                        Step(QStringLiteral("trash ") + name);
                        const Trash::Result moved{QFile::rename(path, trash + u'/' + name), {}};
                        Step(QStringLiteral("trashed ") + name);
                        return moved;
                      },
                      options,
                      nullptr};
  encoder.setFrequency(1);
  encoder.setUseLPF(true);
  int quarter = -1;
  encoder.OnProgress = [&](QObject*, int now, int all) {
    converter.Progress(now, all);
    const int q = all > 0 ? now * 4 / all : 0;
    if (q != quarter) {
      quarter = q;
      Step(QStringLiteral("progress %1 %2").arg(QFileInfo(encoder.SourceFile()).fileName()).arg(q));
    }
  };
  encoder.OnFinish = [&](QObject*, bool aborted) {
    quarter = -1;
    current = QFileInfo(encoder.SourceFile()).fileName();
    Step(QStringLiteral("finish %1 %2").arg(current).arg(aborted ? 1 : 0));
    converter.Finish(aborted);
    current = QStringLiteral("-");
  };

  QStringList list;
  for (const QString& name :
       QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files, QDir::Name))
    list.append(folder + u'/' + name);
  if (list.isEmpty())
    return 0;
  navigator.ShowList(list, 0);
  // The summary's pause, as the window takes it after the batch.
  if (converter.ConvertAll())
    view.WaitMs(3000);
  Step(QStringLiteral("end %1").arg(converter.ConvertedCount()));
  return 0;
}
