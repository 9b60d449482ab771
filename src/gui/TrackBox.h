// The track number box. It shows the file's own track number, or, while the file has none, the
// one the file's name proposes: lighter, marked 「提案」 inside the box, and said so by its tooltip
// and to screen readers, since it is not stored yet. ID3書込み writes it, typing replaces it, and
// emptying the box declines it.
#pragma once

#include <QLineEdit>
#include <QPalette>

class QLabel;

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
  // The tooltip of the box while it shows the file's own number (or none).
  void setOwnToolTip(const QString& tip);

protected:
  // Entering the box selects a proposal whole, so typing replaces it.
  void focusInEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void SetProposed(bool proposed);
  void PlaceMark();

  bool proposed_ = false;
  QPalette ownPalette_;
  QString ownToolTip_;
  // 「提案」 at the box's right end while it shows a proposal.
  QLabel* mark_ = nullptr;
};
