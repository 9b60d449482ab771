// Opening a folder walks its tree for the WAV, MP3 and JPG lists. This times that walk
// (ScanTree) on a tree of 20,000 entries against one `find <dir> -type f` over the same tree,
// alternating the two in the same run, and also times the three separate walks it replaces.
// It then times a whole folder open as the open button does it: the file list and the jacket
// list from one walk, and the first file's tags (six fields and the playing time) read
// through the tag library, against one `find` again.
#include "core/fs/FolderScan.h"

#include "mp3infp.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kEntries = 20000;
constexpr int kRounds = 9;

// Folders three levels deep; files spread over them with a mix of extensions.
int MakeTree(const QString& root) {
  std::mt19937 rng(7);
  QStringList folders{root};
  int entries = 0;
  for (int a = 0; a < 10; ++a)
    for (int b = 0; b < 10; ++b)
      for (int c = 0; c < 4; ++c) {
        const QString dir =
            QStringLiteral("%1/artist%2/album%3/disc%4").arg(root).arg(a).arg(b).arg(c);
        QDir().mkpath(dir);
        folders << dir;
      }
  entries += static_cast<int>(folders.size()) - 1 + 10 + 100; // the folders themselves
  const char* exts[] = {".wav", ".mp3", ".MP3", ".jpg", ".txt", ".m3u", ".WAV", ".cue"};
  for (int i = 0; entries < kEntries; ++i, ++entries) {
    const QString& dir = folders[static_cast<qsizetype>(rng() % folders.size())];
    QFile f(QStringLiteral("%1/track%2%3").arg(dir).arg(i).arg(QLatin1String(exts[rng() % 8])));
    if (!f.open(QIODevice::WriteOnly))
      return -1;
  }
  return entries;
}

void AppendLE(QByteArray& out, quint32 value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A tenth of a second of 16-bit stereo silence with a LIST/INFO chunk of six fields.
QByteArray SmallWav() {
  QByteArray info("INFO");
  const std::pair<const char*, const char*> fields[] = {{"INAM", "Title"}, {"IART", "Artist"},
                                                        {"IPRD", "Album"}, {"ICMT", "Comment"},
                                                        {"ICRD", "2008"},  {"IGNR", "JPop"}};
  for (const auto& [id, text] : fields) {
    QByteArray value(text);
    value.append('\0');
    info.append(id, 4);
    AppendLE(info, static_cast<quint32>(value.size()), 4);
    info.append(value);
    if (value.size() % 2 != 0)
      info.append('\0');
  }
  const int dataBytes = 44100 / 10 * 4;
  QByteArray body("WAVE");
  body.append("fmt ", 4);
  AppendLE(body, 16, 4);
  AppendLE(body, 1, 2);         // PCM
  AppendLE(body, 2, 2);         // channels
  AppendLE(body, 44100, 4);     // rate
  AppendLE(body, 44100 * 4, 4); // bytes per second
  AppendLE(body, 4, 2);         // block
  AppendLE(body, 16, 2);        // bits
  body.append("data", 4);
  AppendLE(body, dataBytes, 4);
  body.append(QByteArray(dataBytes, '\0'));
  body.append("LIST", 4);
  AppendLE(body, static_cast<quint32>(info.size()), 4);
  body.append(info);
  QByteArray wav("RIFF");
  AppendLE(wav, static_cast<quint32>(body.size()), 4);
  wav.append(body);
  return wav;
}

// The first file's fields as the tag display reads them; the number of non-empty ones.
int ReadFirstFileTags(const QString& path) {
  if (mp3infp_Load(nullptr, QFile::encodeName(path).constData()) != 0)
    return -1;
  int filled = 0;
  const char* names[] = {"INAM", "IART", "IPRD", "ICMT", "ICRD", "IGNR", "TIME"};
  for (const char* name : names) {
    char* value = nullptr;
    if (mp3infp_GetValue(name, &value) == 0 && value != nullptr && *value != '\0')
      ++filled;
  }
  return filled;
}

// A folder open: the file list and the jacket list from one walk, the first file's tags.
double TimeOpen(const QString& root, int& filled) {
  QElapsedTimer t;
  t.start();
  const FolderTree tree = ScanTree(root);
  const QStringList fileList = tree.Files();
  const QStringList jackets = tree.Images;
  filled = fileList.isEmpty() ? -1 : ReadFirstFileTags(fileList.first());
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double TimeFind(const QString& root, qsizetype& lines) {
  QElapsedTimer t;
  t.start();
  QProcess find;
  find.start(QStringLiteral("find"), {root, QStringLiteral("-type"), QStringLiteral("f")});
  find.waitForFinished(-1);
  const QByteArray out = find.readAllStandardOutput();
  const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
  lines = out.count('\n');
  return ms;
}

double TimeScan(const QString& root, qsizetype& files) {
  QElapsedTimer t;
  t.start();
  const FolderTree tree = ScanTree(root);
  const QStringList fileList = tree.Files();
  const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
  files = fileList.size() + tree.Images.size();
  return ms;
}

double TimeThreeWalks(const QString& root, FolderTree& out) {
  QElapsedTimer t;
  t.start();
  FindFiles(root + "/", QStringLiteral(".wav"), out.Wav);
  FindFiles(root + "/", QStringLiteral(".mp3"), out.Mp3);
  FindFiles(root + "/", QStringLiteral(".jpg"), out.Images);
  return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir tmp;
  const QString root = tmp.path() + QStringLiteral("/tree");
  const int entries = MakeTree(root);
  if (entries < 0) {
    std::fprintf(stderr, "could not make the tree\n");
    return 1;
  }
  qsizetype findLines = 0;
  qsizetype scanned = 0;
  TimeFind(root, findLines); // warm the caches once for both
  TimeScan(root, scanned);

  std::vector<double> find, scan, three;
  bool same = true;
  for (int round = 0; round < kRounds; ++round) {
    find.push_back(TimeFind(root, findLines));
    scan.push_back(TimeScan(root, scanned));
    FolderTree walked;
    three.push_back(TimeThreeWalks(root, walked));
    const FolderTree once = ScanTree(root);
    same = same && once.Wav == walked.Wav && once.Mp3 == walked.Mp3 && once.Images == walked.Images;
  }
  std::printf("tree: %d entries, %lld files (find), %lld listed (wav+mp3+jpg)\n", entries,
              static_cast<long long>(findLines), static_cast<long long>(scanned));
  std::printf("rounds: %d, medians:\n", kRounds);
  std::printf("  find -type f        %8.2f ms\n", Median(find));
  std::printf("  ScanTree (one walk) %8.2f ms   ratio to find %.2f\n", Median(scan),
              Median(scan) / Median(find));
  std::printf("  three FindFiles     %8.2f ms   ratio to find %.2f\n", Median(three),
              Median(three) / Median(find));
  std::printf("one walk equals three walks: %s\n", same ? "yes" : "NO");

  // The first file of the list becomes a real WAV with six fields.
  const QStringList files = ScanTree(root).Files();
  if (files.isEmpty() || files.first().endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive)) {
    std::fprintf(stderr, "the tree has no WAV file to read\n");
    return 1;
  }
  {
    QFile first(files.first());
    if (!first.open(QIODevice::WriteOnly | QIODevice::Truncate) || first.write(SmallWav()) < 0) {
      std::fprintf(stderr, "could not write %s\n", qPrintable(files.first()));
      return 1;
    }
  }
  int filled = 0;
  TimeOpen(root, filled); // warm
  std::vector<double> findAgain, open;
  for (int round = 0; round < kRounds; ++round) {
    findAgain.push_back(TimeFind(root, findLines));
    open.push_back(TimeOpen(root, filled));
  }
  std::printf("folder open (list, jackets, first file's tags; %d of 7 fields read):\n", filled);
  std::printf("  find -type f        %8.2f ms\n", Median(findAgain));
  std::printf("  open                %8.2f ms   ratio to find %.2f\n", Median(open),
              Median(open) / Median(findAgain));
  return same && filled == 7 ? 0 : 1;
}
