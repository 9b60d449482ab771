// The view of the file system that the folder dialog's tree shows: the root folder as the one
// top item, everything below it, hidden entries left out except on the way to a folder the
// dialog was asked to show. Folders come before files, names in the user's collation order.
#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>

class QFileSystemModel;

class BrowseFolderFilter : public QSortFilterProxyModel {
  Q_OBJECT
public:
  BrowseFolderFilter(QFileSystemModel* source, const QString& rootFolder, QObject* parent);

  // Lets the hidden folders on the way to `path` (and `path` itself) into the tree.
  void ShowHiddenOnWayTo(const QString& path);

protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
  bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
  bool isPinned(const QString& path) const;

  QFileSystemModel* source_;
  QString root_;
  QString rootPrefix_; // root_ with one trailing separator
  QStringList pinned_;
};
