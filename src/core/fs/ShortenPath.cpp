#include "core/fs/ShortenPath.h"

// Linux paths have no drive part, so only the folder part is shortened. Cuts happen only at
// "/" characters, which never fall inside a character (UTF-16 surrogates are never '/').
QString ShortenPath(const QString& path, int width, const TextWidth& textWidth) {
  static const QString kEllipsis = QStringLiteral(".../");
  static const QString kRootedEllipsis = QStringLiteral("/.../");
  QString result = path;
  const qsizetype split = path.lastIndexOf(u'/') + 1;
  QString dir = path.left(split);
  const QString name = path.mid(split);
  while (!dir.isEmpty() && textWidth(result) > width) {
    if (dir == kRootedEllipsis) {
      dir = kEllipsis;
    } else if (dir == u"/") {
      dir.clear();
    } else {
      const bool rooted = dir.startsWith(u'/');
      if (rooted)
        dir.remove(0, 1);
      // Only an ellipsis put there earlier is dropped here; a hidden folder such as ".config"
      // also starts with "." and is cut like any other folder.
      if (dir.startsWith(kEllipsis))
        dir.remove(0, kEllipsis.size());
      const qsizetype slash = dir.indexOf(u'/');
      dir = slash < 0 ? QString() : kEllipsis + dir.mid(slash + 1);
      if (rooted)
        dir.prepend(u'/');
    }
    result = dir + name;
  }
  return result;
}
