// The file system as the folder dialog's tree shows it, names kept as the file system's bytes
// (FsPath): a folder whose name is not UTF-8 (CP932, from a zip made on Japanese Windows) shows
// its decoded name and still leads to its files. The root folder is the one top item; a folder
// is listed when it is first opened, folders before files, names in the user's collation
// order. Hidden entries are left out, except those on the way to a path asked for. A folder
// the user opens is listed on a worker thread, so that one on a slow disk or share leaves the
// dialog usable; its items appear when the listing ends. The folders on the way to a path asked
// for are listed at once.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QString>

#include <memory>
#include <vector>

class WorkerThread;

class FolderTreeModel : public QAbstractItemModel {
  Q_OBJECT
public:
  // `rootFolder`: an absolute folder path (FsPath). Files are listed with `includeFiles`.
  FolderTreeModel(const QString& rootFolder, bool includeFiles, QObject* parent);
  ~FolderTreeModel() override;

  // The item of `path`, an absolute clean FsPath at or below the root: the folders on the way
  // are listed, and hidden entries on it let in. Invalid when there is no such entry.
  QModelIndex IndexOf(const QString& path);
  // The item's path (FsPath); empty for an invalid index.
  QString PathOf(const QModelIndex& index) const;
  bool IsFolder(const QModelIndex& index) const;
  // Makes the folder `name` (text typed by the user) in the folder `parent`; its item, or an
  // invalid index when the system refuses.
  QModelIndex MakeFolder(const QModelIndex& parent, const QString& name);

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // A new name typed in place renames the entry (never over another one).
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

signals:
  // An entry was renamed in place; `path` is its new path.
  void Renamed(const QString& path);

private:
  struct Node;

  Node* NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOfNode(Node* node) const;
  // Lists `folder` now.
  void List(Node* folder);
  // Puts the listed `found` under `folder`, unless it was listed meanwhile.
  void Take(Node* folder, std::vector<std::unique_ptr<Node>> found);
  // Puts `child` among `folder`'s children at its place in the order; its row.
  int Insert(Node* folder, std::unique_ptr<Node> child);
  // The row `node` belongs at among its siblings, itself left out.
  int SortedRow(const Node* node) const;

  std::unique_ptr<Node> top_; // holds the root folder as its one child
  bool includeFiles_;
  QIcon folderIcon_;
  QIcon fileIcon_;
  // The listings under way; waited for before the nodes go.
  std::vector<std::unique_ptr<WorkerThread>> listings_;
};
