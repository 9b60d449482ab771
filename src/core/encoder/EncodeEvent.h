// EncodeEvent: one notification of the encode worker, posted to the encoder component and
// handled on the component's thread in the order posted.
#pragma once

#include <QEvent>

#include <cstdint>

// Messages to the worker.
constexpr int WM_ENCODE_START = 0x0500; // wParam total frames, lParam progress interval
constexpr int WM_ENCODE_ABORT = 0x0501;
constexpr int WM_ENCODE_QUIT = 0x0502;
// Notifications from the worker; the numbers double as the event types.
constexpr int WM_ENCODE_END = 0x0600;
constexpr int WM_ENCODE_ERROR = 0x0601;    // wParam library error code
constexpr int WM_ENCODE_FINISH = 0x0602;   // wParam 0 completed, -1 aborted or failed
constexpr int WM_ENCODE_PROGRESS = 0x0603; // wParam frames done, lParam total frames

static_assert(WM_ENCODE_END >= QEvent::User && WM_ENCODE_PROGRESS <= QEvent::MaxUser);

class EncodeEvent : public QEvent {
public:
  EncodeEvent(int message, std::int32_t wParam, std::int32_t lParam)
      : QEvent(static_cast<QEvent::Type>(message)), wParam_(wParam), lParam_(lParam) {}

  int Message() const { return static_cast<int>(type()); }
  std::int32_t WParam() const { return wParam_; }
  std::int32_t LParam() const { return lParam_; }

  static bool IsEncodeEvent(const QEvent* e) {
    return e->type() >= WM_ENCODE_END && e->type() <= WM_ENCODE_PROGRESS;
  }

private:
  std::int32_t wParam_;
  std::int32_t lParam_;
};
