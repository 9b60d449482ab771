#include "core/fs/FolderScan.h"
#include "core/fs/FsPath.h"

#include "core/fs/Cp932.h"
#include "core/fs/Utf8.h"

#include <QFile>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr char kOwnTemporaryPrefix[] = ".w2m-";

// 32 bytes, so that sorting a folder moves little memory. A folder's names are far below 4 GiB.
struct Entry {
  std::uint64_t keyPrefix; // the key's first 8 bytes, big-endian: most comparisons end here
  std::uint32_t offset;    // into the name buffer
  std::uint32_t length;
  std::uint32_t keyOffset; // into the key buffer
  std::uint32_t keyLength;
  unsigned char type;
};

// Appends the key a name sorts by: the name as it is shown (the 8-bit text rule), each
// character upper-cased on its own, written as UTF-8, whose byte order is code point order.
// Windows lists a folder in this order, and albums are numbered for it.
void AppendSortKey(const char* name, size_t length, std::string& keys) {
  const bool ascii =
      std::all_of(name, name + length, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii) {
    const size_t start = keys.size();
    keys.resize(start + length);
    std::transform(
        name, name + length, keys.begin() + static_cast<std::ptrdiff_t>(start),
        [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return;
  }
  const QString text = Cp932::DecodeText(QByteArray(name, static_cast<qsizetype>(length)));
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t c = text[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
      ++i;
    }
    AppendUtf8(QChar::toUpper(c), keys);
  }
}

// Lists a folder completely, sorted by name, and closes it before anything is descended into,
// so a deep tree holds one open folder at a time.
bool ListFolder(const std::string& path, std::string& names, std::vector<Entry>& entries) {
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr)
    return false;
  std::string keys;
  while (const dirent* e = readdir(dir)) {
    const char* name = e->d_name;
    if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
      continue;
    // Our own temporary files (an encode's ".w2m-enc-XXXXXX.mp3", a tag save's
    // ".w2m-XXXXXX.tmp"): half-written, never a file to show or convert.
    if (std::strncmp(name, kOwnTemporaryPrefix, sizeof kOwnTemporaryPrefix - 1) == 0)
      continue;
    const size_t length = std::strlen(name);
    const size_t keyOffset = keys.size();
    AppendSortKey(name, length, keys);
    std::uint64_t prefix = 0;
    for (size_t i = 0; i < 8; ++i)
      prefix = (prefix << 8) |
               (keyOffset + i < keys.size() ? static_cast<unsigned char>(keys[keyOffset + i]) : 0u);
    entries.push_back({prefix, static_cast<std::uint32_t>(names.size()),
                       static_cast<std::uint32_t>(length), static_cast<std::uint32_t>(keyOffset),
                       static_cast<std::uint32_t>(keys.size() - keyOffset), e->d_type});
    names.append(name, length);
  }
  closedir(dir);
  // Names equal but for case (possible here, not on Windows) keep one order by their bytes.
  std::sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
    if (a.keyPrefix != b.keyPrefix)
      return a.keyPrefix < b.keyPrefix;
    const std::string_view keyA(keys.data() + a.keyOffset, a.keyLength);
    const std::string_view keyB(keys.data() + b.keyOffset, b.keyLength);
    if (keyA != keyB)
      return keyA < keyB;
    return std::string_view(names.data() + a.offset, a.length) <
           std::string_view(names.data() + b.offset, b.length);
  });
  return true;
}

// Walks `path` (ending in "/"); `match(name, length)` gives the list index of a file name or
// -1, and `found(index, fullPath)` receives each matching file in walking order.
template <typename Match, typename Emit>
void Walk(const std::string& path, const Match& match, const Emit& found,
          bool withSubfolders = true, const std::atomic<bool>* cancelled = nullptr) {
  if (cancelled != nullptr && *cancelled)
    return;
  std::string names;
  std::vector<Entry> entries;
  if (!ListFolder(path, names, entries))
    return;
  std::string child;
  for (const Entry& e : entries) {
    child.assign(path).append(names, e.offset, e.length);
    unsigned char type = e.type;
    if (type == DT_UNKNOWN) {
      struct stat st {};
      if (lstat(child.c_str(), &st) != 0)
        continue;
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    if (type == DT_DIR) {
      if (withSubfolders) {
        child.push_back('/');
        Walk(child, match, found, true, cancelled);
      }
      continue;
    }
    const int index = match(names.data() + e.offset, e.length);
    if (index < 0)
      continue;
    if (type == DT_LNK) {
      // A link to a folder is not followed; a dangling link names no file to show.
      struct stat st {};
      if (stat(child.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        continue;
    }
    found(index, child);
  }
}

bool EndsWithAscii(const char* name, size_t length, const char* lowerSuffix, size_t suffixLength) {
  if (length < suffixLength)
    return false;
  const char* tail = name + length - suffixLength;
  for (size_t i = 0; i < suffixLength; ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    if (c != lowerSuffix[i])
      return false;
  }
  return true;
}

} // namespace

bool IsOwnTemporaryFile(const QString& path) {
  return FsPath::BareName(path).startsWith(QLatin1String(kOwnTemporaryPrefix));
}

bool IsWavName(const QString& path) {
  return FsPath::Extension(path).toLower() == QLatin1String(".wav");
}

bool IsMp3Name(const QString& path) {
  return FsPath::Extension(path).toLower() == QLatin1String(".mp3");
}

bool IsImageName(const QString& path) {
  const QString extension = FsPath::Extension(path).toLower();
  return extension == QLatin1String(".jpg") || extension == QLatin1String(".jpeg") ||
         extension == QLatin1String(".png");
}

void FindFiles(const QString& folder, const QString& extension, QStringList& out) {
  const QString wanted = extension.toLower();
  const QByteArray wantedBytes = wanted.toUtf8();
  const bool asciiWanted = std::all_of(wantedBytes.begin(), wantedBytes.end(),
                                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  const auto match = [&](const char* name, size_t length) {
    const void* dot = memrchr(name, '.', length);
    if (dot == nullptr)
      return wanted.isEmpty() ? 0 : -1;
    const char* suffix = static_cast<const char*>(dot);
    const size_t suffixLength = length - static_cast<size_t>(suffix - name);
    const bool asciiSuffix = std::all_of(
        suffix, name + length, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    // ASCII against ASCII needs no decoding; anything else is compared the long way, since
    // some non-ASCII letters lower-case to ASCII ones.
    if (asciiWanted && asciiSuffix)
      return static_cast<qsizetype>(suffixLength) == wantedBytes.size() &&
                     EndsWithAscii(name, length, wantedBytes.constData(), suffixLength)
                 ? 0
                 : -1;
    const QString decoded = FsPath::Decode(QByteArray(name, static_cast<qsizetype>(length)));
    return FsPath::Extension(decoded).toLower() == wanted ? 0 : -1;
  };
  const auto found = [&](int, const std::string& path) {
    out.append(FsPath::Decode(QByteArray(path.data(), static_cast<qsizetype>(path.size()))));
  };
  std::string start = FsPath::Encode(folder).toStdString();
  if (start.empty())
    return;
  if (start.back() != '/')
    start.push_back('/');
  Walk(start, match, found);
}

FolderTree ScanTree(const QString& folder, bool withSubfolders,
                    const std::atomic<bool>* cancelled) {
  FolderTree tree;
  QString root = folder;
  if (root.size() > 1 && root.endsWith(u'/'))
    root.chop(1);
  struct stat st {};
  const QByteArray native = FsPath::Encode(root);
  if (root.isEmpty() || stat(native.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
    return tree;
  std::string start = native.toStdString();
  if (start.back() != '/')
    start.push_back('/');
  // The extensions are ASCII, and no other character lower-cases to their letters, so
  // comparing the last bytes equals comparing lower-cased decoded extensions.
  const auto match = [](const char* name, size_t length) {
    if (EndsWithAscii(name, length, ".jpeg", 5))
      return 2;
    if (length < 4 || name[length - 4] != '.')
      return -1;
    if (EndsWithAscii(name, length, ".wav", 4))
      return 0;
    if (EndsWithAscii(name, length, ".mp3", 4))
      return 1;
    if (EndsWithAscii(name, length, ".jpg", 4) || EndsWithAscii(name, length, ".png", 4))
      return 2;
    return -1;
  };
  QStringList* lists[] = {&tree.Wav, &tree.Mp3, &tree.Images};
  const auto found = [&](int index, const std::string& path) {
    lists[index]->append(
        FsPath::Decode(QByteArray(path.data(), static_cast<qsizetype>(path.size()))));
  };
  Walk(start, match, found, withSubfolders, cancelled);
  return tree;
}

bool ListedBefore(const QString& a, const QString& b) {
  const QList<QByteArray> left = FsPath::Encode(a).split('/');
  const QList<QByteArray> right = FsPath::Encode(b).split('/');
  const qsizetype common = std::min(left.size(), right.size());
  for (qsizetype i = 0; i < common; ++i) {
    if (left[i] == right[i])
      continue;
    std::string keyA;
    std::string keyB;
    AppendSortKey(left[i].constData(), static_cast<size_t>(left[i].size()), keyA);
    AppendSortKey(right[i].constData(), static_cast<size_t>(right[i].size()), keyB);
    return keyA != keyB ? keyA < keyB : left[i] < right[i];
  }
  return left.size() < right.size();
}
