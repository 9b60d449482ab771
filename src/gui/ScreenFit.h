// Keeps a window wholly on the screen it opens on, whatever the screen's size and scale: each
// time the window is shown or resized, and when the platform first reports its frame, the
// window may shrink its inside to the room there is (scrolling what no longer fits), and it is
// moved onto the screen's available area as little as needed. Where the screen is large
// enough, the designed size and place stay as they are.
#pragma once

#include <QObject>
#include <QRect>
#include <QSize>

#include <functional>

class QScrollArea;
class QWidget;

class ScreenFit : public QObject {
public:
  // Sizes the window's inside within `room`, the most its screen can show.
  using Fit = std::function<void(QSize room)>;

  // Watches `window` (and is owned by it); `fit` is left empty by a window of one size.
  explicit ScreenFit(QWidget& window, Fit fit = {});

  // Fits and places the window now.
  void Apply();

  // The available area (without panels and docks) of the screen the window is on, or opens
  // on: the one under its middle, else its parent's, else the primary one.
  static QRect AvailableArea(const QWidget& window);
  // A frameless scroll area around `content`, for a window whose inside scrolls on a small
  // screen. It is no Tab stop itself: Tab goes to the content's controls and scrolls them into
  // sight.
  static QScrollArea* Scrolling(QWidget* parent, const char* name, QWidget* content);
  // The size of a window of `whole` size whose inside scrolls, within `room`: where it scrolls
  // one way, it takes the breadth of `window`'s scroll bar more the other way.
  static QSize Scrolled(QSize whole, QSize room, const QWidget& window);
  // `frame` moved as little as needed to lie inside `area`; a frame larger than the area keeps
  // its top left corner on the area's.
  static QRect MovedInto(QRect frame, const QRect& area);
  // What `window`'s frame adds to its inside; nothing where the platform draws no frame or has
  // not reported it yet.
  static QSize FrameExtra(const QWidget& window);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QWidget& window_;
  Fit fit_;
  QSize knownFrameExtra_;
  bool applying_ = false;
};
