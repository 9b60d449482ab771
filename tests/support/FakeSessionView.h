// A window without widgets for the working classes' tests: every box is a plain value, every
// report and tag write is kept in order, and `onPause` plays the user while a result of files
// converted one at a time stands (the window's pause). As the window's platform it answers the
// question before edits are left with `saveAnswer` and moves files to the trash through `trash`.
#pragma once

#include "core/fs/FsPath.h"
#include "core/fs/Trash.h"
#include "core/session/PlatformTools.h"
#include "core/session/SessionView.h"

#include <QStringList>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

class FakeSessionView : public SessionView, public PlatformTools {
public:
  FakeSessionView() = default;
  explicit FakeSessionView(std::function<Trash::Result(const QString&)> trashWith)
      : trash(std::move(trashWith)) {}

  int clears = 0;
  int progress = 0;
  QStringList errors;
  QString folder;
  QString fileName;
  int position = 0;
  int count = 0;
  bool stepping = false;
  QStringList jackets;
  QString chosenExtension;
  bool folderWithoutAudio = false;
  QString version, openStatus, type, kinds;
  // The tag boxes.
  TagFields fields;
  QString playingTime;
  // The files whose fields went because they could not be read, and why.
  QStringList fileProblems;
  // Every write of the shown fields, and why the last one failed; whether one is under way.
  std::vector<TagWriteResult> writes;
  QString writeFailure;
  bool writing = false;
  QStringList notes;
  // The cover preview last shown.
  CoverPreview cover;
  // Every conversion started (its WAV file) and every file's result, in order; the encodes
  // under way, and the most there were at once.
  QStringList started;
  int running = 0, mostRunning = 0;
  std::vector<ConversionReport> reports;
  std::function<void()> onPause;
  // The answer to the question before unsaved edits are left, and the files it was asked for.
  SaveAnswer saveAnswer = SaveAnswer::Cancel;
  QStringList askedToSave;
  std::function<Trash::Result(const QString&)> trash = Trash::MoveToTrash;

  // Whether some file's result says `part` (a reason or a part of one).
  bool Reported(const QString& part) const {
    return std::any_of(reports.begin(), reports.end(),
                       [&part](const ConversionReport& r) { return r.file.reason.contains(part); });
  }
  // Whether some file's conversion came to `outcome`.
  bool Ended(ConversionReport::Outcome outcome) const {
    return std::any_of(reports.begin(), reports.end(),
                       [outcome](const ConversionReport& r) { return r.outcome == outcome; });
  }

  // ---- both ----
  void ClearStatus() override { ++clears; }

  // ---- navigator ----
  void ShowCurrentFolder(const QString& path, bool) override { folder = path; }
  void ShowFileName(const QString& name) override { fileName = name; }
  void ShowPosition(int number) override { position = number; }
  void ShowCount(int n) override { count = n; }
  void EnableStepping(bool enabled) override { stepping = enabled; }
  void ShowJacketNames(const QStringList& names) override {
    jackets = names;
    if (!names.isEmpty())
      fields[TagField::Jacket] = FsPath::Display(names.first());
  }
  void ShowChosenExtension(const QString& extension) override { chosenExtension = extension; }
  void ShowFolderWithoutAudio() override { folderWithoutAudio = true; }

  // ---- tags ----
  void ShowLibraryVersion(const QString& v) override { version = v; }
  void ShowOpenStatus(const QString& s) override { openStatus = s; }
  void ShowFileKind(const QString& t, const QString& k) override {
    type = t;
    kinds = k;
  }
  void ShowTagFields(const TagFields& shown) override { Put(shown, false); }
  void EditTagFields(const TagFields& typed) override { Put(typed, true); }
  void ShowComment(const QString& comment) override { fields[TagField::Comment] = comment; }
  void ShowFileProblem(const QString& why) override { fileProblems.append(why); }
  void ShowWriting() override { writing = true; }
  void ShowWriteResult(TagWriteResult result, const QString& failure) override {
    writing = result == TagWriteResult::Busy;
    writes.push_back(result);
    writeFailure = failure;
  }
  void ShowNote(const QString& note) override { notes.append(note); }
  void ShowCover(const CoverPreview& shown) override { cover = shown; }
  void ShowStoredTrack(const QString& track) override {
    fields[TagField::Track] = track;
    fields.ProposedTrack.clear();
  }

  // ---- platform ----
  Trash::Result MoveToTrash(const QString& path) override { return trash(path); }
  SaveAnswer AskSaveChanges(const QString& name) override {
    askedToSave.append(name);
    return saveAnswer;
  }
  bool OpenDocument(const QString&) override { return false; }

  // ---- conversions ----
  void ShowProgress(int percent) override { progress = percent; }
  void ShowError(const QString& text) override { errors.append(text); }
  void ShowConversionStarted(const QString& wav, int, int) override { ShowBatchFileStarted(wav); }
  void ShowBatchStarted(int) override {}
  void ShowBatchFileStarted(const QString& wav) override {
    started.append(wav);
    mostRunning = std::max(mostRunning, ++running);
  }
  void ShowFileResult(const ConversionReport& report) override {
    running -= report.outcome != ConversionReport::Outcome::NotStarted;
    reports.push_back(report);
    if (report.nextWaits && onPause)
      onPause();
  }

private:
  // The boxes take `shown` as the window's do: a kept field's box stays, a showing makes the
  // jacket image nobody's choice, an edit that puts one in makes it chosen.
  void Put(const TagFields& shown, bool edit) {
    for (const TagFieldRow& row : kTagFields)
      if (!shown.Kept(row.field) && !(edit && row.trackNumber && shown[row.field].isEmpty()))
        fields[row.field] = shown[row.field];
    if (!edit) {
      fields.ProposedTrack = shown.ProposedTrack;
      fields.JacketChosen = false;
    } else if (!shown.Kept(TagField::Jacket)) {
      fields.JacketChosen = true;
    }
    if (shown.PlayingTime)
      playingTime = *shown.PlayingTime;
  }
};
