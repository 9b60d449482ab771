// What the cover preview beside the jacket image box shows: the shown file's own cover, or the
// image a write of its tag will put in its place.
#pragma once

#include <QByteArray>
#include <QString>

struct CoverPreview {
  enum class Kind {
    None,    // the file has no cover, and a write gives it none
    Stored,  // the file's own cover, which a write keeps
    ToWrite, // the image `name`, which a write makes the file's cover
  };
  Kind kind = Kind::None;
  // The picture's bytes (JPEG or PNG); empty when it cannot be read.
  QByteArray image;
  // The image file's name (ToWrite).
  QString name;
  // Why the image `name` cannot become the cover (a write would be refused); empty when it can.
  QString problem;
};
