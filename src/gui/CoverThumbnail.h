// The small picture of the cover beside the jacket image box: the shown file's own cover, or the
// image a write will make its cover. Its tooltip says which, with the image's size and kind.
#pragma once

#include "core/tags/CoverPreview.h"

#include <QLabel>

class CoverThumbnail : public QLabel {
public:
  explicit CoverThumbnail(QWidget* parent = nullptr);

  // Shows `cover`. Gives why the image cannot become a cover (the preview's problem, or an image
  // to be written that does not decode); empty when it can or nothing is to be written.
  QString Show(const CoverPreview& cover);
  // The short caption of what is shown: "埋め込み済み", "書き込み予定", "使えない画像" or "なし".
  const QString& State() const { return state_; }

private:
  QString state_;
};
