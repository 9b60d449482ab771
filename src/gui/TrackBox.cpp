#include "gui/TrackBox.h"

#include <QFocusEvent>
#include <QTimer>

TrackBox::TrackBox(QWidget* parent) : QLineEdit(parent), ownPalette_(palette()) {
  // Any edit of the user's (typing, pasting, Ctrl+Z) makes the text the box's own.
  connect(this, &QLineEdit::textEdited, this, [this] { SetProposed(false); });
}

void TrackBox::ShowTrack(const QString& track, const QString& proposed) {
  const bool propose = track.isEmpty() && !proposed.isEmpty();
  setText(propose ? proposed : track);
  SetProposed(propose);
}

void TrackBox::SetProposed(bool proposed) {
  proposed_ = proposed;
  QPalette p = ownPalette_;
  if (proposed)
    p.setColor(QPalette::Text, p.color(QPalette::PlaceholderText));
  setPalette(p);
  setAccessibleDescription(proposed ? QStringLiteral("ファイル名からの提案") : QString());
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
