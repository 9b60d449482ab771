// Conversions through the main window with the real encoder module and tag library: the
// batch, its counter and summary, the tag copy, giving up the WAV files, the refusals, an
// encoder that cannot be prepared, the check before trashing and a second press while
// converting.
#include "ConvertTestSupport.h"
#include "FinishOpen.h"
#include "FormControls.h"

#include "core/convert/Mp3Verification.h"
#include "core/fs/FsPath.h"
#include "core/tags/TagFieldAccess.h"
#include "gui/FolderBrowserDialog.h"

#include <mp3infp.h>

#include <QProgressBar>

namespace {

using namespace convert_test;
using fixtures::Bytes;

const Bytes& Mp3() {
  static const Bytes mp3 = fixtures::makeMp3(1.0);
  return mp3;
}
const Bytes& Wav() {
  static const Bytes wav = TaggedWav(1.2);
  return wav;
}

// Whether the WAV files go to the trash, and how many files are encoded at once.
class ConvertBatch : public ConvertTest,
                     public ::testing::WithParamInterface<std::tuple<bool, int>> {};

// a.mp3, b.wav, c.wav: two MP3 files of the WAV files' length carrying their six values; with
// the delete option the WAV files end up in the trash and nowhere else. The end says 成功 in
// either mode.
TEST_P(ConvertBatch, ConvertsEveryWavCopiesTagsAndGivesUpWavsWhenAsked) {
  const auto [deleteWav, jobs] = GetParam();
  SpinBox(options, "jobsSpin")->setValue(jobs);
  SetOptions(true, deleteWav);
  ShowList({{"a.mp3", Mp3()}, {"b.wav", Wav()}, {"c.wav", Wav()}});
  int finalBar = -1;
  // The bar follows the whole batch: it never goes back from one file to the next.
  std::vector<int> bar;
  onProgress = [&](int now, int all) {
    bar.push_back(ProgressBar(form, "progressBar")->value());
    if (now == all)
      finalBar = ProgressBar(form, "progressBar")->value();
  };

  RunBatch();
  Snapshot();

  EXPECT_EQ(ProgressBar(form, "progressBar")->value(), 0);
  EXPECT_TRUE(fake->errors.isEmpty()) << fake->errors.join(QLatin1Char('\n')).toStdString();
  if (jobs == 1) {
    EXPECT_EQ(finalBar, 100);
    EXPECT_TRUE(std::is_sorted(bar.begin(), bar.end()));
    // The counter: files finished of the batch's WAV files, as when several run at once.
    EXPECT_TRUE(Traced(QStringLiteral("0/2||b.wav")));
    EXPECT_TRUE(Traced(QStringLiteral("1/2||c.wav")));
    EXPECT_TRUE(Traced(QStringLiteral("2/2|成功|c.wav")));
  }
  EXPECT_EQ(trace.indexOf(QStringLiteral("2/2|成功|2 ファイルを変換しました")), trace.size() - 2);
  EXPECT_EQ(trace.last(), QStringLiteral("||"));

  EXPECT_EQ(Listing(), deleteWav ? "a.mp3 b.mp3 c.mp3 trash/b.wav trash/c.wav"
                                 : "a.mp3 b.mp3 b.wav c.mp3 c.wav");
  for (const char* name : {"b", "c"}) {
    SCOPED_TRACE(name);
    const fs::path mp3 = dir / (std::string(name) + ".mp3");
    EXPECT_NEAR(Mp3Verification::PlayingMs(Q(mp3), 1), 1200, Mp3Verification::kToleranceMs);

    const TagFields stored = ReadFileTags(Q(mp3), nullptr).fields;
    for (std::size_t i = 0; i < TagValues().size(); ++i)
      EXPECT_EQ(stored.texts[i], TagValues()[i].second) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(DeleteOption, ConvertBatch,
                         ::testing::Combine(::testing::Bool(), ::testing::Values(1, 2)),
                         [](const auto& p) {
                           return std::string(std::get<0>(p.param) ? "Delete" : "Keep") +
                                  std::to_string(std::get<1>(p.param));
                         });

// After every kind of conversion the fields are the tag of the file the name box names, and a
// write goes there. The list follows: the MP3 files join it in their places among the MP3 files,
// a WAV file gone to the trash leaves it (its MP3 shown in its stead), and the counters agree.
struct ShownCase {
  const char* label;
  int jobs; // 0: "WAV→MP3実行" on the shown file
  bool trash;
  std::vector<std::string> list;
  int shown; // its place in the list
};

class ConvertShown : public ConvertTest, public ::testing::WithParamInterface<ShownCase> {};

TEST_P(ConvertShown, FieldsAndWritesBelongToTheNamedFile) {
  const ShownCase& c = GetParam();
  SpinBox(options, "jobsSpin")->setValue(std::max(c.jobs, 1));
  SetOptions(true, c.trash);
  for (const char* name : {"t1", "t2", "t3"})
    fixtures::writeFile(
        dir / (std::string(name) + ".wav"),
        fixtures::makeWavWithChunks({.seconds = 0.3}, {fixtures::makeInfoList({{"INAM", name}})}));
  fixtures::writeFile(dir / "z.mp3", Mp3());
  form->session().navigator().OpenOneFile(Q(dir / "t1.wav"));
  FinishOpen(form->session().navigator());
  c.jobs == 0 ? form->OnConvertClicked() : form->OnConvertAllClicked();
  FinishConversion();

  QStringList list;
  for (const std::string& name : c.list)
    list << Q(dir / name);
  const QString shown = list.at(c.shown);
  EXPECT_EQ(form->session().navigator().FileList(), list);
  EXPECT_EQ(form->session().navigator().ShownFilePath(), shown);
  EXPECT_EQ(LineEdit(form, "fileNameEdit")->text(), QFileInfo(shown).fileName());
  EXPECT_EQ(LineEdit(form, "positionEdit")->text() + u'/' + LineEdit(form, "countEdit")->text(),
            QStringLiteral("%1/%2").arg(list.indexOf(shown) + 1).arg(list.size()));
  EXPECT_EQ(LineEdit(form, "titleEdit")->text(), QStringLiteral("t1"));

  LineEdit(form, "titleEdit")->setText(QStringLiteral("edited"));
  form->OnWriteTagsClicked();
  FinishOpen(form->session().navigator());
  EXPECT_EQ(form->StatusText(1), QStringLiteral("成功"));
  for (const QString& file : list) {
    const QString title = ReadFileTags(file, nullptr).fields[TagField::Title];
    if (file == shown)
      EXPECT_EQ(title, QStringLiteral("edited"));
    else
      EXPECT_NE(title, QStringLiteral("edited")) << file.toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, ConvertShown,
    ::testing::Values(
        ShownCase{"Single", 0, false, {"t1.wav", "t2.wav", "t3.wav", "t1.mp3", "z.mp3"}, 0},
        ShownCase{"SingleTrash", 0, true, {"t2.wav", "t3.wav", "t1.mp3", "z.mp3"}, 2},
        ShownCase{"OneAtATimeTrash", 1, true, {"t1.mp3", "t2.mp3", "t3.mp3", "z.mp3"}, 0},
        ShownCase{"SeveralAtOnce",
                  2,
                  false,
                  {"t1.wav", "t2.wav", "t3.wav", "t1.mp3", "t2.mp3", "t3.mp3", "z.mp3"},
                  0}),
    [](const auto& p) { return std::string(p.param.label); });

// With the tag copy off, the WAV file's values never stand under its MP3's name once it went to
// the trash: the fields show the MP3's own (empty) tag, and what the user typed meanwhile stays.
TEST_F(ConvertTest, WithoutTheTagCopyTheMp3ShowsItsOwnTag) {
  SetOptions(false, true);
  ShowList({{"b.wav", Wav()}});
  onProgress = [&](int now, int) {
    if (now == 1)
      LineEdit(form, "titleEdit")->setText(QStringLiteral("新しい題"));
  };
  form->OnConvertClicked();
  FinishConversion();
  EXPECT_EQ(LineEdit(form, "fileNameEdit")->text(), QStringLiteral("b.mp3"));
  EXPECT_EQ(LineEdit(form, "titleEdit")->text(), QStringLiteral("新しい題"));
  EXPECT_EQ(LineEdit(form, "artistEdit")->text(), QString());
  EXPECT_EQ(PlainText(form, "commentEdit")->toPlainText(), QString());
}

// Converting with an unsaved edit asks first: キャンセル converts nothing, 保存 writes the WAV
// file, whose tag the MP3 then carries.
TEST_F(ConvertTest, UnsavedEditsAreAskedAboutBeforeConverting) {
  SetOptions(true, false);
  ShowList({{"b.wav", Wav()}});
  LineEdit(form, "titleEdit")->setText(QStringLiteral("edited"));
  form->OnConvertClicked();
  form->OnConvertAllClicked();
  EXPECT_EQ(Listing(), "b.wav");
  fake->saveAnswer = SaveAnswer::Save;
  form->OnConvertAllClicked();
  // The edits are written first; the batch follows.
  FinishConversion();
  EXPECT_EQ(ReadFileTags(Q(dir / "b.mp3"), nullptr).fields[TagField::Title],
            QStringLiteral("edited"));
}

// The window stays usable during a batch. Stepping leaves the list alone; opening another
// folder or dropping a file replaces it, and the batch then ends after the file it is on
// instead of converting what now stands at the next places.
struct DuringBatchCase {
  const char* label;
  void (*act)(MainWindow& form, const QString& otherFolder);
  bool secondConverted;
};

class ConvertDuringBatch : public ConvertTest,
                           public ::testing::WithParamInterface<DuringBatchCase> {};

TEST_P(ConvertDuringBatch, ListReplacedMidwayEndsTheBatch) {
  SetOptions(false, false);
  fs::create_directory(dir / "other");
  for (const char* name : {"other/x.wav", "other/y.wav"})
    fixtures::writeFile(dir / name, Wav());
  ShowList({{"b.wav", Wav()}, {"c.wav", Wav()}});
  bool acted = false;
  onProgress = [&](int, int) {
    if (!acted) {
      acted = true;
      GetParam().act(*form, Q(dir / "other"));
    }
  };

  RunBatch();

  EXPECT_TRUE(acted);
  EXPECT_TRUE(fake->errors.isEmpty()) << fake->errors.join(QLatin1Char('\n')).toStdString();
  EXPECT_EQ(Listing(), GetParam().secondConverted
                           ? "b.mp3 b.wav c.mp3 c.wav other/x.wav other/y.wav"
                           : "b.mp3 b.wav c.wav other/x.wav other/y.wav");
  EXPECT_TRUE(Traced(GetParam().secondConverted
                         ? QStringLiteral("2/2|成功|2 ファイルを変換しました")
                         : QStringLiteral("1/2|失敗|1 ファイルを変換しました。一覧が替わったため、"
                                          "残りの 1 ファイルは変換していません")));
}

INSTANTIATE_TEST_SUITE_P(Actions, ConvertDuringBatch,
                         ::testing::Values(DuringBatchCase{"Step",
                                                           [](MainWindow& f, const QString&) {
                                                             f.OnNextClicked();
                                                             FinishOpen(f.session().navigator());
                                                           },
                                                           true},
                                           DuringBatchCase{"OpenFolder",
                                                           [](MainWindow& f, const QString& o) {
                                                             // The folder browser picks the other
                                                             // folder.
                                                             OpenFolder(f.session().navigator(), o);
                                                           },
                                                           false},
                                           DuringBatchCase{"Drop",
                                                           [](MainWindow& f, const QString& o) {
                                                             f.FilesDropped({o + "/x.wav"});
                                                             FinishOpen(f.session().navigator());
                                                           },
                                                           false}),
                         [](const auto& p) { return std::string(p.param.label); });

TEST_F(ConvertTest, ListWithoutWavsConvertsNothing) {
  ShowList({{"a.mp3", Mp3()}});
  RunBatch();
  EXPECT_TRUE(Traced(QStringLiteral("||0 ファイルを変換しました")));
}

// Whether the options allow overwriting.
class ConvertExisting : public ConvertTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ConvertExisting, RefusesAnExistingMp3UnlessOverwriting) {
  SetOptions(false, false, GetParam());
  ShowList({{"b.wav", Wav()}, {"b.mp3", Mp3()}});
  form->OnConvertClicked();
  if (GetParam()) {
    FinishConversion();
    // While it ran, the status bar named it, one of one.
    EXPECT_TRUE(Traced(QStringLiteral("1/1||b.wav")));
    EXPECT_NEAR(Mp3Verification::PlayingMs(Q(dir / "b.mp3"), 1), 1200,
                Mp3Verification::kToleranceMs);
  } else {
    FinishConversion();
    EXPECT_EQ(form->StatusText(2), QStringLiteral("すでに同名のMP3が存在します"));
    EXPECT_EQ(fixtures::readFile(dir / "b.mp3"), Mp3());
  }
}

INSTANTIATE_TEST_SUITE_P(Options, ConvertExisting, ::testing::Bool(), [](const auto& p) {
  return std::string(p.param ? "Overwritten" : "Refused");
});

// A folder from a zip made on Japanese Windows, with a CP932 name, chosen in the folder
// browser: it opens and its files convert.
TEST_F(ConvertTest, Cp932FolderChosenInTheBrowserConverts) {
  const fs::path folder = dir / "\x89\xB9\x8A\x79"; // "音楽"
  fs::create_directory(folder);
  for (const char* name : {"\x82\xA0.wav", "\x82\xA2.wav"}) // "あ.wav", "い.wav"
    fixtures::writeFile(folder / name, Wav());
  CheckBox(options, "openByFolderCheck")->setChecked(true); // folders are opened
  TakeOptions();
  fake->modal = [&](QDialog& dialog) {
    auto& browser = dynamic_cast<FolderBrowserDialog&>(dialog);
    EXPECT_TRUE(browser.SelectPath(FsPath::Decode(QByteArray::fromStdString(folder.string()))));
    EXPECT_EQ(browser.SelectedDisplayName(), QStringLiteral("音楽"));
    browser.PressOk();
    return browser.result();
  };
  form->OnOpenClicked();
  FinishOpen(form->session().navigator());
  ASSERT_EQ(form->session().navigator().FileList().size(), 2);

  RunBatch();
  for (const char* name : {"\x82\xA0.mp3", "\x82\xA2.mp3"})
    EXPECT_NEAR(Mp3Verification::PlayingMs(
                    FsPath::Decode(QByteArray::fromStdString((folder / name).string())), 1),
                1200, Mp3Verification::kToleranceMs);
}

TEST_F(ConvertTest, ShownFileThatIsNotAConvertibleWav) {
  ShowList({{"a.mp3", Mp3()}, {"b.wav", Wav()}});
  StatusBarOf(form, "statusBar")->SetPanelText(0, QStringLiteral("keep0"));
  form->OnConvertClicked();
  EXPECT_EQ(form->StatusText(0), QStringLiteral("keep0"));
  EXPECT_EQ(form->StatusText(2), QStringLiteral("WAVファイルだけ対象です"));

  // Existence is tested before the extension.
  form->session().navigator().ShowList({Q(dir / "gone.wav")}, 0);
  FinishOpen(form->session().navigator());
  form->OnConvertClicked();
  FinishConversion();
  EXPECT_EQ(form->StatusText(2), QStringLiteral("指定のWAVファイルがみつかりません"));
}

// Files the encoder cannot take are refusals of those files, each named with what is wrong, as
// is a file whose MP3 is there; the batch goes on with the next file, counts only the successes
// and says 失敗. What it did not convert stays readable after the summary: the status bar's
// tooltip and the list its button opens. (A 96 kHz WAV converts.)
TEST_F(ConvertTest, FilesTheEncoderCannotTakeAreRefusedAndTheBatchGoesOn) {
  const std::string text = "not audio at all";
  fixtures::WavSpec high;
  high.sampleRate = 96000;
  high.seconds = 0.5;
  ShowList({{"x.wav", Bytes(text.begin(), text.end())},
            {"e.wav", fixtures::makeWav({.seconds = 0})},
            {"h.wav", fixtures::makeWav(high)},
            {"s.wav", Wav()},
            {"s.mp3", Mp3()},
            {"b.wav", Wav()}});
  RunBatch();
  EXPECT_TRUE(fake->errors.isEmpty());
  EXPECT_TRUE(Traced(QStringLiteral("1/5||x.wav はWAVファイルではありません（変換しません）")));
  EXPECT_TRUE(Traced(QStringLiteral("2/5||e.wav には音声がありません（変換しません）")));
  EXPECT_TRUE(Traced(QStringLiteral("4/5||s.wav：すでに同名のMP3が存在します")));
  EXPECT_TRUE(Traced(QStringLiteral("2/5|失敗|3 ファイルは変換しませんでした"
                                    "（既にMP3あり 1・変換できないファイル 2）")));
  const QString tip = StatusBarOf(form, "statusBar")->toolTip();
  EXPECT_TRUE(tip.contains(QStringLiteral("/e.wav: e.wav には音声がありません")));
  PushButton(form, "problemsButton")->click();
  EXPECT_EQ(PlainText(form, "problemList")->toPlainText(), tip);
  EXPECT_EQ(Listing(), "b.mp3 b.wav e.wav h.mp3 h.wav s.mp3 s.wav x.wav");
  EXPECT_NEAR(Mp3Verification::PlayingMs(Q(dir / "h.mp3"), 1), 500, Mp3Verification::kToleranceMs);
}

// An encode whose file lost its end before the check gives no MP3 and keeps its WAV file, with
// a word in the status bar.
TEST_F(ConvertTest, ShortMp3KeepsItsWav) {
  SetOptions(false, true);
  ShowList({{"b.wav", Wav()}});
  form->session().encoder().OnFinish = [this](QObject* s, bool aborted) {
    for (const auto& e : fs::directory_iterator(dir.path()))
      if (e.path().filename().string().rfind(".w2m-enc-", 0) == 0)
        fs::resize_file(e.path(), fs::file_size(e.path()) / 2);
    sessionFinish(s, aborted);
  };
  form->OnConvertClicked();
  FinishConversion();
  EXPECT_EQ(Listing(), "b.wav");
  EXPECT_TRUE(
      Traced(QStringLiteral("1/1|中断|できたMP3を確かめられません（b.wav は元のままです）")));
}

// A second press while converting starts nothing: not during an encode, not while the end
// handler of the last one still works, not during a batch.
TEST_F(ConvertTest, SecondPressWhileConvertingIsRefused) {
  SetOptions(false, false);
  ShowList({{"b.wav", Wav()}, {"c.wav", Wav()}});
  const QString refused = QStringLiteral("エンコード中に設定は変更できません.");

  bool pressedInEndHandler = false;
  fake->onPause = [&] {
    if (!pressedInEndHandler && form->StatusText(1) == QStringLiteral("成功")) {
      pressedInEndHandler = true;
      QTimer::singleShot(0, form.get(), [this] { form->OnConvertClicked(); });
    }
  };
  form->OnConvertClicked();
  form->OnConvertClicked();
  FinishConversion();
  EXPECT_TRUE(pressedInEndHandler);
  EXPECT_EQ(fake->errors, (QStringList{refused, refused}));

  fake->errors.clear();
  fake->onPause = nullptr;
  fs::remove(dir / "b.mp3");
  int presses = 0;
  onProgress = [&](int now, int) {
    if (now == 1 && presses++ == 0) {
      form->OnConvertAllClicked();
      form->OnConvertClicked();
    }
  };
  RunBatch();
  EXPECT_EQ(fake->errors, (QStringList{refused, refused}));
  EXPECT_EQ(Listing(), "b.mp3 b.wav c.mp3 c.wav");
}

// The MP3 an encode is still writing is not the shown file's to write: a tag save would replace
// it and cut it off from the rest of the audio.
TEST_F(ConvertTest, TagsAreNotWrittenIntoTheMp3BeingEncoded) {
  SetOptions(false, false);
  ShowList({{"b.wav", Wav()}});
  QString during;
  onProgress = [&](int now, int) {
    if (now == 2 && during.isEmpty()) {
      form->session().navigator().ShowList({Q(dir / "b.mp3")}, 0);
      FinishOpen(form->session().navigator());
      LineEdit(form, "titleEdit")->setText(QStringLiteral("途中"));
      form->OnWriteTagsClicked();
      FinishOpen(form->session().navigator());
      during = form->StatusText(1);
    }
  };
  form->OnConvertClicked();
  FinishConversion();
  EXPECT_EQ(during, QStringLiteral("失敗"));
  form->session().navigator().ShowList({Q(dir / "b.mp3")}, 0);
  FinishOpen(form->session().navigator());
  LineEdit(form, "titleEdit")->setText(QStringLiteral("後"));
  form->OnWriteTagsClicked();
  FinishOpen(form->session().navigator());
  EXPECT_EQ(form->StatusText(1), QStringLiteral("成功"));
}

// Closing the window while several encodes run stops them all: no temporary file stays, every
// WAV file is either untouched or in the trash beside its whole MP3, and the settings are saved.
// Destroying the window instead does the same, the batch never touching what is gone.
class ConvertParallelStop : public ConvertTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ConvertParallelStop, StoppingAParallelBatchLosesNothing) {
  const bool destroy = GetParam();
  SpinBox(options, "jobsSpin")->setValue(2);
  SetOptions(true, true);
  const QString iniPath = form->IniPath();
  const Bytes wav = TaggedWav(8.0);
  const std::vector<std::string> names = {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"};
  std::vector<std::pair<std::string, Bytes>> files;
  for (const std::string& name : names)
    files.emplace_back(name, wav);
  ShowList(files);
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
    Snapshot();
    if (!form || ProgressBar(form.get(), "progressBar")->value() == 0)
      return;
    if (destroy)
      form.reset();
    else
      form->close();
  });
  closer.start(20);
  form->OnConvertAllClicked();
  while (form && form->session().converter().BatchRunning())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  closer.stop();

  for (const QString& seen : trace)
    EXPECT_FALSE(seen.contains(QStringLiteral("ファイルを変換しました")));
  if (!destroy) {
    EXPECT_FALSE(form->session().converter().BatchRunning());
    QFile ini(iniPath);
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("Mp3Jobs=\"2\""));
  }
  int kept = 0;
  for (const std::string& name : names) {
    const fs::path mp3 = dir / (name.substr(0, 1) + ".mp3");
    if (fs::exists(dir / name)) {
      ++kept;
      EXPECT_EQ(fixtures::readFile(dir / name), wav) << name;
    } else {
      EXPECT_TRUE(fs::exists(dir / "trash" / name)) << name << " lost";
      EXPECT_TRUE(Mp3Verification::MatchesWav(Q(dir / "trash" / name), Q(mp3))) << name;
    }
  }
  EXPECT_GT(kept, 0) << "stopped after the batch had ended";
  for (const auto& e : fs::directory_iterator(dir.path()))
    EXPECT_NE(e.path().filename().string().front(), '.') << e.path().filename() << " left behind";
}

INSTANTIATE_TEST_SUITE_P(Stops, ConvertParallelStop, ::testing::Bool(),
                         [](const auto& p) { return std::string(p.param ? "Destroy" : "Close"); });

} // namespace
