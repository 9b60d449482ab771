// A main window ready for conversions in tests: a fake desktop whose trash is a folder and
// whose pauses are short, the options window, a folder of short tagged WAV files, and a trace
// of what the status bar showed.
#pragma once

#include "AudioFixtures.h"
#include "FinishOpen.h"
#include "FormControls.h"
#include "QtPath.h"
#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/fs/Cp932.h"
#include "core/session/Navigator.h"
#include "core/session/Session.h"
#include "core/session/TagEditor.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"
#include "gui/Platform.h"
#include "gui/StatusBar.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <dirent.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace convert_test {

namespace fs = std::filesystem;

class TrashPlatform : public Platform {
public:
  explicit TrashPlatform(QString trashFolder) : trash(std::move(trashFolder)) {}

  // The window's pauses last a twentieth of their time; `onPause` runs as each begins (what it
  // does to the window it posts: the pause has not started yet).
  static constexpr int kShortened = 20;
  std::function<void()> onPause;
  int PauseLength(int ms) override {
    if (onPause)
      onPause();
    return ms / kShortened;
  }

  QStringList errors;
  void ShowError(QWidget*, const QString& text) override { errors.append(text); }
  bool AskOkCancel(QWidget*, const QString&, const QString&) override { return false; }
  SaveAnswer saveAnswer = SaveAnswer::Cancel;
  SaveAnswer AskSaveChanges(QWidget*, const QString&, const QString&) override {
    return saveAnswer;
  }
  // Plays the user in a modal dialog; none: OK (the options window takes what it shows).
  std::function<int(QDialog&)> modal;
  int ExecModal(QDialog& dialog) override {
    return modal ? modal(dialog) : static_cast<int>(QDialog::Accepted);
  }
  bool OpenWithAssociatedProgram(const QString&) override { return false; }

  QString trash;
  Trash::Result MoveToTrash(const QString& path) override {
    return {QFile::rename(path, trash + QLatin1Char('/') + QFileInfo(path).fileName()), {}};
  }
};

// The six tag values every test WAV carries, stored in CP932 in its INFO list.
inline const std::vector<std::pair<std::string, QString>>& TagValues() {
  static const std::vector<std::pair<std::string, QString>> values = {
      {"INAM", QStringLiteral("春の歌①")}, {"IART", QStringLiteral("山田～太郎")},
      {"IPRD", QStringLiteral("四季")},    {"ICMT", QStringLiteral("試験の録音")},
      {"ICRD", QStringLiteral("2024")},    {"IGNR", QStringLiteral("クラシック")}};
  return values;
}

inline fixtures::Bytes TaggedWav(double seconds) {
  std::vector<std::pair<std::string, std::string>> items;
  for (const auto& [id, text] : TagValues()) {
    QByteArray bytes;
    EXPECT_TRUE(Cp932::Encode(text, bytes));
    items.emplace_back(id, bytes.toStdString());
  }
  fixtures::WavSpec spec;
  spec.seconds = seconds;
  return fixtures::makeWavWithChunks(spec, {fixtures::makeInfoList(items)});
}

inline int ThreadCount() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d))
      n += e->d_name[0] != '.';
    closedir(d);
  }
  return n;
}

class ConvertTest : public ::testing::Test {
protected:
  void SetUp() override {
    fs::create_directory(dir / "trash");
    fake = std::make_unique<TrashPlatform>(Q(dir / "trash"));
    fake->onPause = [this] { Snapshot(); };
    form = std::make_unique<MainWindow>(*fake);
    form->SetIniPath(Q(dir / "wav2mp3tag.ini"));
    options = new OptionsDialog(form.get());
    form->SetOptionsWindow(options);
    // These follow the batch of one file after the other, step by step.
    SpinBox(options, "jobsSpin")->setValue(1);
    TakeOptions();
    // The session's own handlers run first; the test looks on after them.
    EncoderComponent& encoder = form->session().encoder();
    encoder.OnProgress = [this, session = encoder.OnProgress](QObject* s, int now, int all) {
      session(s, now, all);
      Snapshot();
      if (onProgress)
        onProgress(now, all);
    };
    encoder.OnFinish = [this, session = encoder.OnFinish](QObject* s, bool aborted) {
      session(s, aborted);
      if (onFinish)
        onFinish(aborted);
    };
    sessionFinish = encoder.OnFinish;
  }

  // Records "panel0|panel1|panel2" whenever it changed since the last record.
  void Snapshot() {
    if (!form)
      return;
    const QString now = form->StatusText(0) + QLatin1Char('|') + form->StatusText(1) +
                        QLatin1Char('|') + form->StatusText(2);
    if (trace.isEmpty() || trace.last() != now)
      trace.append(now);
  }

  bool Traced(const QString& entry) const { return trace.contains(entry); }

  // The files of the folder and its subfolders, sorted, but for the settings file.
  std::string Listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
      if (e.is_regular_file() && e.path().filename() != "wav2mp3tag.ini")
        names.push_back(fs::relative(e.path(), dir.path()).string());
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names)
      joined += (joined.empty() ? "" : " ") + name;
    return joined;
  }

  // Puts files in the folder and into the window's list, in order, showing the first.
  void ShowList(const std::vector<std::pair<std::string, fixtures::Bytes>>& files) {
    QStringList list;
    for (const auto& [name, bytes] : files) {
      fixtures::writeFile(dir / name, bytes);
      list.append(Q(dir / name));
    }
    form->session().navigator().SetCurrentFolder(Q(dir.path()));
    form->session().navigator().ShowList(list, 0);
    FinishOpen(form->session().navigator());
  }

  void SetOptions(bool copyTag, bool deleteWav, bool overwrite = false) {
    CheckBox(options, "copyTagCheck")->setChecked(copyTag);
    CheckBox(options, "trashWavCheck")->setChecked(deleteWav);
    CheckBox(options, "overwriteCheck")->setChecked(overwrite);
    TakeOptions();
  }

  // Closes the options window with OK: what its controls show is in force.
  void TakeOptions() { form->OnOptionsClicked(); }

  // Dispatches events until the conversion under way has been shown (a batch's summary
  // included).
  void FinishConversion() {
    while (form && (form->session().tagEditor().Busy() || form->session().converter().Busy()))
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }

  // "WAV→MP3一括変換" until the batch's summary has stood its time.
  void RunBatch() {
    form->OnConvertAllClicked();
    FinishConversion();
    QEventLoop summary;
    QTimer::singleShot(2 * MainWindow::kSummaryPauseMs / TrashPlatform::kShortened, &summary,
                       &QEventLoop::quit);
    summary.exec();
  }

  fixtures::TempDir dir;
  std::unique_ptr<TrashPlatform> fake;
  std::unique_ptr<MainWindow> form;
  OptionsDialog* options = nullptr;
  QStringList trace;
  std::function<void(int, int)> onProgress;
  std::function<void(bool)> onFinish;
  // The encoder's finish handler as set up here (the session's, then onFinish).
  EncodeFinishHandler sessionFinish;
};

} // namespace convert_test
