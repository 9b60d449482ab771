// A main window without widgets for the working classes' tests: every box is a plain value,
// every status text set is kept in order, waits only handle pending events, and `onWait` plays
// the user during a wait.
#pragma once

#include "core/session/SessionView.h"

#include <QCoreApplication>
#include <QStringList>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class FakeSessionView : public SessionView {
public:
  std::array<QString, 4> panels;
  // Every status text as it was set, so that texts a later step cleared can be checked.
  std::vector<std::pair<int, QString>> texts;
  int progress = 0;
  QStringList errors;
  QString folder;
  QString fileName;
  int position = 0;
  int count = 0;
  bool stepping = false;
  QStringList jackets;
  QString version, openStatus, type, kinds;
  TagFields fields;
  QString playingTime;
  bool shift = false;
  std::function<void(int ms)> onWait;
  // The answer to the question before unsaved edits are left, and the files it was asked for.
  SaveAnswer saveAnswer = SaveAnswer::Cancel;
  QStringList askedToSave;

  void ClearStatus() override { panels[0] = panels[1] = panels[2] = QString(); }
  void SetStatusText(int panel, const QString& text) override {
    texts.emplace_back(panel, text);
    if (panel >= 0 && panel < 4)
      panels[static_cast<std::size_t>(panel)] = text;
  }
  bool Showed(int panel, const QString& part) const {
    for (const auto& [p, text] : texts)
      if (p == panel && text.contains(part))
        return true;
    return false;
  }
  void SetProgress(int percent) override { progress = percent; }
  void WaitMs(int ms) override {
    if (onWait)
      onWait(ms);
    QCoreApplication::processEvents();
  }
  void ShowError(const QString& text) override { errors.append(text); }
  SaveAnswer AskSaveChanges(const QString& name) override {
    askedToSave.append(name);
    return saveAnswer;
  }
  void ShowFolder(const QString& path, bool) override { folder = path; }
  QString Folder() const override { return folder; }
  void ShowFileName(const QString& name) override { fileName = name; }
  void ShowPosition(int number) override { position = number; }
  void ShowCount(int n) override { count = n; }
  void EnableStepping(bool enabled) override { stepping = enabled; }
  void ShowJacketNames(const QStringList& names) override { jackets = names; }
  void ShowLibraryVersion(const QString& v) override { version = v; }
  void ShowOpenStatus(const QString& s) override { openStatus = s; }
  void ShowFileKind(const QString& t, const QString& k) override {
    type = t;
    kinds = k;
  }
  void ShowTagFields(const TagFields& shown) override {
    const std::optional<QString> jacket = shown.Jacket ? shown.Jacket : fields.Jacket;
    fields = shown;
    fields.Jacket = jacket;
    if (shown.PlayingTime)
      playingTime = *shown.PlayingTime;
  }
  void EditTagFields(const TagFields& typed) override { ShowTagFields(typed); }
  TagFields ShownTagFields() const override {
    TagFields f = fields;
    f.PlayingTime.reset();
    f.Jacket = fields.Jacket.value_or(QString());
    return f;
  }
  void ShowComment(const QString& comment) override { fields.Comment = comment; }
  bool ShiftHeld() const override { return shift; }
};
