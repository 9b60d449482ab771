// The track number box. It shows the file's own track number, or, while the file has none, the
// one the file's name proposes, in a lighter colour: the proposal is written with the tag, typing
// replaces it, and emptying the box declines it.
#pragma once

#include <QLineEdit>
#include <QPalette>

class TrackBox : public QLineEdit {
public:
  explicit TrackBox(QWidget* parent = nullptr);

  // Shows `track`, the file's own; or, when it is empty, `proposed` as a proposal.
  void ShowTrack(const QString& track, const QString& proposed);
  // The track the box holds; empty while it shows a proposal.
  QString Track() const { return proposed_ ? QString() : text(); }
  // The proposal shown; empty once the user typed.
  QString Proposed() const { return proposed_ ? text() : QString(); }
  bool ShowsProposal() const { return proposed_; }

protected:
  // Entering the box selects a proposal whole, so typing replaces it.
  void focusInEvent(QFocusEvent* event) override;

private:
  void SetProposed(bool proposed);

  bool proposed_ = false;
  QPalette ownPalette_;
};
