// EncodeEvent: one notification of the encode worker, posted to the encoder component and
// handled on the component's thread in the order posted.
#pragma once

#include <QEvent>

#include <cstdint>

// Messages to the worker.
constexpr int WM_ENCODE_START = 0x0500; // wParam total frames, lParam progress interval
constexpr int WM_ENCODE_ABORT = 0x0501;
constexpr int WM_ENCODE_QUIT = 0x0502;
// Notifications from the worker.
constexpr int WM_ENCODE_END = 0x0600;
constexpr int WM_ENCODE_ERROR = 0x0601;    // wParam library error code
constexpr int WM_ENCODE_FINISH = 0x0602;   // wParam 0 completed, -1 aborted or failed
constexpr int WM_ENCODE_PROGRESS = 0x0603; // wParam frames done, lParam total frames

class EncodeEvent : public QEvent {
public:
  EncodeEvent(int message, std::int32_t wParam, std::int32_t lParam)
      : QEvent(EventType()), message_(message), wParam_(wParam), lParam_(lParam) {}

  // The event type of every notification, registered with Qt once, so that it meets no other
  // part's events.
  static QEvent::Type EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  static bool IsEncodeEvent(const QEvent* e) { return e->type() == EventType(); }

  int Message() const { return message_; }
  std::int32_t WParam() const { return wParam_; }
  std::int32_t LParam() const { return lParam_; }

private:
  int message_;
  std::int32_t wParam_;
  std::int32_t lParam_;
};
