#include "gui/FolderTreeModel.h"

#include "core/fs/FsPath.h"
#include "core/fs/WorkerThread.h"

#include <QFileIconProvider>

#include <algorithm>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct FolderTreeModel::Node {
  Node* parent = nullptr;
  int row = 0;
  QString path;  // FsPath
  QString shown; // the name as the user reads it
  QString key;   // `shown` case-folded, for the order
  bool folder = false;
  bool listed = false;
  bool listing = false; // on a worker
  std::vector<std::unique_ptr<Node>> children;

  void SetPath(const QString& value) {
    const QString old = path;
    path = value;
    shown = path == QLatin1String("/") ? path : FsPath::DisplayName(path);
    key = shown.toCaseFolded();
    for (const auto& child : children)
      child->SetPath(path + child->path.mid(old.size()));
  }
};

namespace {

QString Join(const QString& folder, const QString& name) {
  return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

// Folders first, then names in the user's collation order regardless of case; names that
// collate alike by their bytes.
template <typename NodeT> bool Before(const NodeT& a, const NodeT& b) {
  if (a.folder != b.folder)
    return a.folder;
  if (const int byName = QString::localeAwareCompare(a.key, b.key); byName != 0)
    return byName < 0;
  return a.path < b.path;
}

// The entries of `path` (hidden ones left out, files only with `includeFiles`) as nodes under
// `folder`, sorted; on any thread.
template <typename NodeT>
std::vector<std::unique_ptr<NodeT>> ReadFolder(NodeT* folder, const QString& path,
                                               bool includeFiles) {
  std::vector<std::unique_ptr<NodeT>> found;
  DIR* dir = ::opendir(FsPath::Encode(path).constData());
  if (dir == nullptr)
    return found;
  const int dirFd = ::dirfd(dir);
  while (const dirent* e = ::readdir(dir)) {
    const char* name = e->d_name;
    if (name[0] == '.')
      continue; // ".", ".." and hidden entries
    bool isFolder = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
      struct stat st {};
      isFolder = ::fstatat(dirFd, name, &st, 0) == 0 && S_ISDIR(st.st_mode);
    }
    if (!isFolder && !includeFiles)
      continue;
    auto node = std::make_unique<NodeT>();
    node->parent = folder;
    node->folder = isFolder;
    node->SetPath(Join(path, FsPath::Decode(QByteArray(name))));
    found.push_back(std::move(node));
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return Before(*a, *b); });
  return found;
}

// Each node's row after the list changed from `from` on.
template <typename Nodes> void Renumber(Nodes& nodes, std::size_t from = 0) {
  for (std::size_t i = from; i < nodes.size(); ++i)
    nodes[i]->row = static_cast<int>(i);
}

} // namespace

FolderTreeModel::FolderTreeModel(const QString& rootFolder, bool includeFiles, QObject* parent)
    : QAbstractItemModel(parent), top_(std::make_unique<Node>()), includeFiles_(includeFiles) {
  auto root = std::make_unique<Node>();
  root->parent = top_.get();
  root->folder = true;
  root->SetPath(rootFolder);
  top_->listed = true;
  top_->children.push_back(std::move(root));
  const QFileIconProvider icons;
  folderIcon_ = icons.icon(QAbstractFileIconProvider::Folder);
  fileIcon_ = icons.icon(QAbstractFileIconProvider::File);
}

// The listings under way end before the nodes they fill go; their results are dropped.
FolderTreeModel::~FolderTreeModel() {
  listings_.clear();
}

FolderTreeModel::Node* FolderTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<Node*>(index.internalPointer()) : top_.get();
}

QModelIndex FolderTreeModel::IndexOfNode(Node* node) const {
  return node == top_.get() ? QModelIndex() : createIndex(node->row, 0, node);
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
  const Node* folder = NodeOf(parent);
  if (column != 0 || row < 0 || row >= static_cast<int>(folder->children.size()))
    return {};
  return createIndex(row, 0, folder->children[static_cast<std::size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
  return child.isValid() ? IndexOfNode(NodeOf(child)->parent) : QModelIndex();
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
  return parent.column() > 0 ? 0 : static_cast<int>(NodeOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid())
    return {};
  const Node* node = NodeOf(index);
  if (role == Qt::DisplayRole || role == Qt::EditRole)
    return node->shown;
  if (role == Qt::DecorationRole)
    return node->folder ? folderIcon_ : fileIcon_;
  return {};
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid())
    return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (NodeOf(index)->parent != top_.get())
    flags |= Qt::ItemIsEditable;
  return flags;
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
  const Node* node = NodeOf(parent);
  return node->folder ? !node->listed || !node->children.empty() : node == top_.get();
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
  const Node* node = NodeOf(parent);
  return node->folder && !node->listed && !node->listing;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
  Node* node = NodeOf(parent);
  if (!canFetchMore(parent))
    return;
  node->listing = true;
  std::unique_ptr<WorkerThread> listing =
      WorkerThread::Start([this, node, path = node->path, files = includeFiles_] {
        auto found =
            std::make_shared<std::vector<std::unique_ptr<Node>>>(ReadFolder(node, path, files));
        QMetaObject::invokeMethod(
            this, [this, node, found] { Take(node, std::move(*found)); }, Qt::QueuedConnection);
      });
  if (!listing) // no thread to be had: listed here
    List(node);
  else
    listings_.push_back(std::move(listing));
}

void FolderTreeModel::List(Node* folder) {
  Take(folder, ReadFolder(folder, folder->path, includeFiles_));
}

void FolderTreeModel::Take(Node* folder, std::vector<std::unique_ptr<Node>> found) {
  // A listing that ended has posted this as its last step; those still running stay.
  std::erase_if(listings_, [](const auto& l) { return l->Finished(); });
  folder->listing = false;
  if (folder->listed)
    return; // listed at once meanwhile, on the way to a path asked for
  folder->listed = true;
  if (found.empty())
    return;
  Renumber(found);
  beginInsertRows(IndexOfNode(folder), 0, static_cast<int>(found.size()) - 1);
  folder->children = std::move(found);
  endInsertRows();
}

int FolderTreeModel::SortedRow(const Node* node) const {
  const auto& siblings = node->parent->children;
  return static_cast<int>(std::count_if(siblings.begin(), siblings.end(), [node](const auto& s) {
    return s.get() != node && Before(*s, *node);
  }));
}

int FolderTreeModel::Insert(Node* folder, std::unique_ptr<Node> child) {
  child->parent = folder;
  auto& siblings = folder->children;
  const int row = static_cast<int>(std::count_if(
      siblings.begin(), siblings.end(), [&](const auto& s) { return Before(*s, *child); }));
  beginInsertRows(IndexOfNode(folder), row, row);
  siblings.insert(siblings.begin() + row, std::move(child));
  Renumber(siblings, static_cast<std::size_t>(row));
  endInsertRows();
  return row;
}

QModelIndex FolderTreeModel::IndexOf(const QString& path) {
  Node* at = top_->children.front().get();
  if (path == at->path)
    return IndexOfNode(at);
  const QString prefix = at->path.endsWith(u'/') ? at->path : at->path + u'/';
  if (!path.startsWith(prefix))
    return {};
  for (const QString& part : path.mid(prefix.size()).split(u'/')) {
    if (!at->folder || part.isEmpty())
      return {};
    if (!at->listed)
      List(at);
    const QString childPath = Join(at->path, part);
    const auto found = std::find_if(at->children.begin(), at->children.end(),
                                    [&](const auto& c) { return c->path == childPath; });
    if (found != at->children.end()) {
      at = found->get();
      continue;
    }
    // Hidden, or made since the folder was listed: let in when it is there.
    struct stat st {};
    if (!FsPath::Stat(childPath, st) || (!S_ISDIR(st.st_mode) && !includeFiles_))
      return {};
    auto node = std::make_unique<Node>();
    node->folder = S_ISDIR(st.st_mode);
    node->SetPath(childPath);
    at = at->children[static_cast<std::size_t>(Insert(at, std::move(node)))].get();
  }
  return IndexOfNode(at);
}

QString FolderTreeModel::PathOf(const QModelIndex& index) const {
  return index.isValid() ? NodeOf(index)->path : QString();
}

bool FolderTreeModel::IsFolder(const QModelIndex& index) const {
  return index.isValid() && NodeOf(index)->folder;
}

QModelIndex FolderTreeModel::MakeFolder(const QModelIndex& parent, const QString& name) {
  Node* folder = NodeOf(parent);
  if (!parent.isValid() || !folder->folder)
    return {};
  if (!folder->listed)
    List(folder);
  const QString path = Join(folder->path, name);
  if (::mkdir(FsPath::Encode(path).constData(), 0777) != 0)
    return {};
  auto node = std::make_unique<Node>();
  node->folder = true;
  node->SetPath(path);
  return index(Insert(folder, std::move(node)), 0, parent);
}

bool FolderTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
    return false;
  Node* node = NodeOf(index);
  const QString name = value.toString();
  if (name == node->shown)
    return true; // unchanged, whatever bytes the name has
  if (name.isEmpty() || name.contains(u'/') || name == QLatin1String(".") ||
      name == QLatin1String(".."))
    return false;
  const QString path = Join(node->parent->path, name);
  const QByteArray to = FsPath::Encode(path);
  struct stat st {};
  if (::lstat(to.constData(), &st) == 0 ||
      ::rename(FsPath::Encode(node->path).constData(), to.constData()) != 0)
    return false;
  node->SetPath(path);
  const int from = node->row;
  const int row = SortedRow(node);
  if (row != from) {
    const QModelIndex folder = IndexOfNode(node->parent);
    beginMoveRows(folder, from, from, folder, row > from ? row + 1 : row);
    auto& siblings = node->parent->children;
    std::unique_ptr<Node> moved = std::move(siblings[static_cast<std::size_t>(from)]);
    siblings.erase(siblings.begin() + from);
    siblings.insert(siblings.begin() + row, std::move(moved));
    Renumber(siblings);
    endMoveRows();
  }
  const QModelIndex now = IndexOfNode(node);
  emit dataChanged(now, now);
  emit Renamed(path);
  return true;
}
