#include "gui/TrackBox.h"

#include <QFocusEvent>
#include <QLabel>
#include <QTimer>

#include <algorithm>

namespace {

const QString kProposalTip =
    QStringLiteral("ファイル名からの提案です。まだファイルには書き込まれていません（ID3書込みで"
                   "書き込まれます。別の番号を入力するか、消すと提案を取り消せます）");

} // namespace

TrackBox::TrackBox(QWidget* parent) : QLineEdit(parent), ownPalette_(palette()) {
  mark_ = new QLabel(QStringLiteral("提案"), this);
  mark_->setObjectName(QStringLiteral("trackProposalMark"));
  QFont small = mark_->font();
  small.setPixelSize(10);
  mark_->setFont(small);
  mark_->setAlignment(Qt::AlignCenter);
  // A small tag of its own colours, so that it does not read as part of the number.
  mark_->setStyleSheet(QStringLiteral(
      "background: palette(highlight); color: palette(highlighted-text); border-radius: 3px;"));
  // Clicks go to the box.
  mark_->setAttribute(Qt::WA_TransparentForMouseEvents);
  mark_->hide();
  // Any edit of the user's (typing, pasting, Ctrl+Z) makes the text the box's own.
  connect(this, &QLineEdit::textEdited, this, [this] { SetProposed(false); });
}

void TrackBox::ShowTrack(const QString& track, const QString& proposed) {
  const bool propose = track.isEmpty() && !proposed.isEmpty();
  setText(propose ? proposed : track);
  SetProposed(propose);
}

void TrackBox::setOwnToolTip(const QString& tip) {
  ownToolTip_ = tip;
  SetProposed(proposed_);
}

void TrackBox::SetProposed(bool proposed) {
  proposed_ = proposed;
  QPalette p = ownPalette_;
  if (proposed)
    p.setColor(QPalette::Text, p.color(QPalette::PlaceholderText));
  setPalette(p);
  mark_->setVisible(proposed);
  PlaceMark();
  setToolTip(proposed ? kProposalTip : ownToolTip_);
  setAccessibleDescription(proposed ? QStringLiteral("ファイル名からの提案、未保存") : QString());
}

void TrackBox::PlaceMark() {
  const int width = mark_->sizeHint().width() + 4;
  const int height = std::max(0, this->height() - 6);
  mark_->setGeometry(this->width() - width - 3, (this->height() - height) / 2, width, height);
  // The number never runs under the mark.
  setTextMargins(0, 0, proposed_ ? width + 2 : 0, 0);
}

void TrackBox::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  PlaceMark();
}

void TrackBox::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  // A mouse press places the cursor after this; the selection comes once it has.
  if (proposed_)
    QTimer::singleShot(0, this, [this] {
      if (proposed_)
        selectAll();
    });
}
