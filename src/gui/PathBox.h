// A box that shows a path (FsPath) readably: whole in its tooltip, shortened in its text.
#pragma once

#include <QString>

class QFont;
class QLineEdit;

// Shows `path` in `box`: decoded for reading, leading folders replaced by ".../" until it fits
// `room` pixels in `font`, the start of the text in view; the tooltip holds it whole.
void ShowPathInBox(QLineEdit& box, const QString& path, const QFont& font, int room);
