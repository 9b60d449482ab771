// The start of one file's conversion, done on its job's thread so that the window's thread never
// waits for the disk: where its MP3 goes and whether it may be made now, room for the job's
// file descriptors, what the WAV file is (which file, its playing time, a header promising more
// than the file holds), the folders made for the MP3 and the temporary file the encode writes.
// Made on the window's thread from values alone; Run does every look at the disk.
#pragma once

#include "core/convert/ConversionEnd.h"
#include "core/convert/EncodeTarget.h"
#include "core/convert/FileResult.h"
#include "core/settings/Options.h"

#include <QString>

#include <memory>
#include <mutex>
#include <set>
#include <vector>

class FileStart {
public:
  enum class Outcome {
    // The encode may begin: `wav`, `place`, `seconds` and `target` are set.
    Admitted,
    // Not converted: `refusal` says why. Nothing was made.
    Refused,
    // An encode under way makes the same MP3: the file waits for it to end, so that the earlier
    // file's MP3 is the one that stays. Nothing was looked at beyond the MP3's place.
    PlaceBusy,
    // Too few file descriptors are left for one more job beside those under way.
    NoDescriptors,
  };

  // The folders whose stale temporary files were removed in one batch: each folder is listed
  // once, however many of its files the batch converts. Shared by the batch's starts.
  class CleanedFolders {
  public:
    // True the first time `folder` is named.
    bool FirstLook(const QString& folder);

  private:
    std::mutex lock_;
    std::set<QString> folders_;
  };

  struct Request {
    QString source;
    // The options the conversion started with, and the folder opened whose subfolders an
    // output folder keeps ("" for none).
    Options options;
    QString root;
    // In a batch a refusal names its file, and an MP3 the batch made is not made again.
    bool inBatch = false;
    // The jobs under way beside this one (each holds file descriptors), the places of the MP3
    // files they make, and those the batch made already.
    std::size_t running = 0;
    std::vector<QString> busyPlaces;
    std::set<QString> producedPlaces;
    // Null: the folder of the MP3 is listed for stale temporary files in any case.
    std::shared_ptr<CleanedFolders> cleaned;
  };

  explicit FileStart(Request request) : request_(std::move(request)) {}

  // Looks at the disk and decides; once, on any thread.
  void Run();

  const QString& Source() const { return request_.source; }

  Outcome outcome = Outcome::Refused;
  FileResult refusal;
  ConversionEnd::Source wav;
  // The MP3's place (ConvertPlan::Place); empty when refused.
  QString place;
  // The WAV file's playing time; 0 when not known.
  double seconds = 0;
  std::unique_ptr<EncodeTarget> target;

private:
  Request request_;
};
