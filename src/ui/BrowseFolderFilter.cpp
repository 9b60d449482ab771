#include "ui/BrowseFolderFilter.h"

#include <QFileSystemModel>

namespace {

QString WithSlash(const QString& path) {
  return path.endsWith('/') ? path : path + '/';
}

// True when `inner` lies below `outer` (given with a trailing separator) or is `outer` itself.
bool IsAtOrBelow(const QString& inner, const QString& outer) {
  return inner == outer || inner.startsWith(WithSlash(outer));
}

} // namespace

BrowseFolderFilter::BrowseFolderFilter(QFileSystemModel* source, const QString& rootFolder,
                                       QObject* parent)
    : QSortFilterProxyModel(parent), source_(source), root_(rootFolder),
      rootPrefix_(WithSlash(rootFolder)) {
  setSourceModel(source);
  setDynamicSortFilter(true);
  sort(0, Qt::AscendingOrder);
}

void BrowseFolderFilter::ShowHiddenOnWayTo(const QString& path) {
  if (!path.contains(QLatin1String("/.")) || pinned_.contains(path))
    return;
  pinned_.append(path);
  invalidateFilter();
}

bool BrowseFolderFilter::isPinned(const QString& path) const {
  for (const QString& p : pinned_) {
    if (IsAtOrBelow(p, path))
      return true;
  }
  return false;
}

bool BrowseFolderFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
  const QString path = source_->filePath(source_->index(sourceRow, 0, sourceParent));
  // The root and the folders above it carry the tree; nothing else outside the root shows.
  if (IsAtOrBelow(root_, path))
    return true;
  if (!path.startsWith(rootPrefix_))
    return false;
  const QString name = path.mid(path.lastIndexOf('/') + 1);
  return !name.startsWith('.') || isPinned(path);
}

bool BrowseFolderFilter::lessThan(const QModelIndex& left, const QModelIndex& right) const {
  const bool leftDir = source_->isDir(left);
  const bool rightDir = source_->isDir(right);
  if (leftDir != rightDir)
    return leftDir;
  const int byName = QString::localeAwareCompare(source_->fileName(left).toCaseFolded(),
                                                 source_->fileName(right).toCaseFolded());
  if (byName != 0)
    return byName < 0;
  return source_->fileName(left) < source_->fileName(right);
}
