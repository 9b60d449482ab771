#include "gui/ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QWidget>

#include <algorithm>

ScreenFit::ScreenFit(QWidget& window, Fit fit)
    : QObject(&window), window_(window), fit_(std::move(fit)) {
  window.installEventFilter(this);
}

QRect ScreenFit::AvailableArea(const QWidget& window) {
  const QScreen* screen = QGuiApplication::screenAt(window.frameGeometry().center());
  if (screen == nullptr && window.parentWidget() != nullptr)
    screen = window.parentWidget()->window()->screen();
  if (screen == nullptr)
    screen = window.screen();
  if (screen == nullptr)
    screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect();
}

QScrollArea* ScreenFit::Scrolling(QWidget* parent, const char* name, QWidget* content) {
  auto* scroll = new QScrollArea(parent);
  scroll->setObjectName(QString::fromLatin1(name));
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setFocusPolicy(Qt::NoFocus);
  scroll->setWidget(content);
  return scroll;
}

QSize ScreenFit::Scrolled(QSize whole, QSize room, const QWidget& window) {
  const int bar = window.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &window);
  QSize size = whole.boundedTo(room);
  if (size.height() < whole.height())
    size.setWidth(std::min(room.width(), whole.width() + bar));
  if (size.width() < whole.width())
    size.setHeight(std::min(room.height(), whole.height() + bar));
  return size;
}

QRect ScreenFit::MovedInto(QRect frame, const QRect& area) {
  frame.moveRight(std::min(frame.right(), area.right()));
  frame.moveBottom(std::min(frame.bottom(), area.bottom()));
  frame.moveLeft(std::max(frame.left(), area.left()));
  frame.moveTop(std::max(frame.top(), area.top()));
  return frame;
}

QSize ScreenFit::FrameExtra(const QWidget& window) {
  const QRect frame = window.frameGeometry();
  return {std::max(0, frame.width() - window.width()),
          std::max(0, frame.height() - window.height())};
}

void ScreenFit::Apply() {
  const QRect area = AvailableArea(window_);
  if (applying_ || area.isEmpty())
    return;
  applying_ = true;
  knownFrameExtra_ = FrameExtra(window_);
  if (fit_)
    fit_(area.size() - knownFrameExtra_);
  // The frame's place is the window's (pos()); its size adds the frame to the inside.
  const QRect frame(window_.pos(), window_.size() + knownFrameExtra_);
  const QRect placed = MovedInto(frame, area);
  if (placed.topLeft() != frame.topLeft())
    window_.move(placed.topLeft());
  applying_ = false;
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &window_) {
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Resize:
      Apply();
      break;
    case QEvent::Move:
      // A window manager reports its frame once the window is mapped.
      if (window_.isVisible() && FrameExtra(window_) != knownFrameExtra_)
        Apply();
      break;
    default:
      break;
    }
  }
  return QObject::eventFilter(watched, event);
}
