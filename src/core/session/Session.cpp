#include "core/session/Session.h"

#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/fs/FolderScan.h"
#include "core/session/Navigator.h"
#include "core/session/PlatformTools.h"
#include "core/session/SessionView.h"
#include "core/session/TagEditor.h"
#include "core/tags/TagJobs.h"

Session::Session(SessionView& view, PlatformTools& platform)
    : conversionView_(view), platform_(platform) {
  // First: without its module nothing else is made.
  BindEncoder();
  tagJobs_ = std::make_unique<TagJobs>();
  tagEditor_ = std::make_unique<TagEditor>(view, platform_, options_, *tagJobs_);
  navigator_ = std::make_unique<Navigator>(view, *tagEditor_, options_);
  // A save replaces the file; an encode still writing it would go on into the replaced one.
  tagEditor_->isBeingWritten = [this](const QString& path) {
    return converter_ && converter_->IsBeingConverted(path);
  };
}

Session::Session(ConversionView& view, PlatformTools& platform)
    : conversionView_(view), platform_(platform), tagJobs_(std::make_unique<TagJobs>()) {}

Session::~Session() {
  // The encoder component's last events reach nothing; the working classes go before it.
  if (encoder_) {
    encoder_->OnProgress = nullptr;
    encoder_->OnFinish = nullptr;
  }
  if (tagEditor_)
    tagEditor_->isBeingWritten = nullptr;
  converter_.reset();
  navigator_.reset();
  tagEditor_.reset();
  encoder_.reset();
  // Last: the tag writes under way end (none is cut off); what they concluded is dropped.
  tagJobs_.reset();
}

void Session::BindEncoder() {
  encoder_ = std::make_unique<EncoderComponent>(nullptr);
  encoder_->setObjectName(QStringLiteral("encoder"));
  // Progress after every frame; the low-pass filter on.
  encoder_->setFrequency(1);
  encoder_->setUseLPF(true);
  converter_ = std::make_unique<Converter>(
      conversionView_, *encoder_,
      [this](const QString& path) { return platform_.MoveToTrash(path); }, options_,
      [this](const ConversionEnd::Result& result) {
        // The list follows: the MP3 joins, a WAV file gone leaves.
        if (navigator_)
          navigator_->FollowConversion(result.file.wav, result.mp3, result.wavGone);
      });
  encoder_->OnProgress = [this](QObject*, int nowFrames, int allFrames) {
    converter_->Progress(nowFrames, allFrames);
  };
  encoder_->OnFinish = [this](QObject*, bool aborted) { converter_->Finish(aborted); };
}

Converter& Session::converter() {
  if (!converter_)
    BindEncoder();
  return *converter_;
}

EncoderComponent& Session::encoder() {
  if (!encoder_)
    BindEncoder();
  return *encoder_;
}

void Session::ReadTags(const QString& path, std::function<void(const FileTags&)> done) {
  tagJobs_->Run(path, [path, done](MP3INFP_HANDLE* handle) {
    const FileTags read = ReadFileTags(path, handle);
    return [done, read] { done(read); };
  });
}

void Session::WriteTags(const QString& path, const TagFields& fields,
                        std::function<void(const TagWriteOutcome&)> done) {
  TagWriteRequest request;
  request.path = path;
  request.wanted = fields;
  request.format = options_.mp3TagFormat;
  tagJobs_->Run(path, [request, done](MP3INFP_HANDLE* handle) {
    const TagWriteOutcome outcome = ::WriteTags(handle, request);
    return [done, outcome] { done(outcome); };
  });
}

bool Session::Converting() const {
  return converter_ && converter_->Busy();
}

void Session::ConvertShown() {
  const QString shown = navigator_->ShownFilePath();
  const auto convert = [this, shown] { converter().ConvertShown(shown, ListRoots()); };
  // The MP3 gets the WAV file's tag as stored: edits are written first, or dropped, or the
  // conversion waits. A conversion that cannot start says so without the question.
  if (!IsWavName(shown) || Converting() || tagEditor_->BeforeConvert(convert))
    convert();
}

void Session::ConvertAll(Converter::BatchEnded ended) {
  if (navigator_->FileList().isEmpty() || navigator_->ShownFilePath().isEmpty()) {
    if (ended)
      ended(std::nullopt);
    return;
  }
  const auto convert = [this, ended] {
    // A list opened during the batch replaces this one; a conversion's changes to it do not.
    const int generation = navigator_->ListGeneration();
    const Navigator* navigator = navigator_.get();
    converter().ConvertAll(
        navigator_->FileList(),
        [navigator, generation] { return navigator->ListGeneration() != generation; }, {},
        ListRoots(), ended);
  };
  if (Converting() || tagEditor_->BeforeConvert(convert))
    convert();
}

void Session::ConvertFiles(const QStringList& files, const QHash<QString, qint64>& sizes,
                           const QStringList& folders, Converter::BatchEnded ended) {
  converter().ConvertAll(
      files, [] { return false; }, sizes, folders, std::move(ended));
}

QStringList Session::ListRoots() const {
  // The folder opened: its subfolders are kept in an output folder.
  const QString& root = navigator_->ListRoot();
  return root.isEmpty() ? QStringList() : QStringList{root};
}

void Session::StopBatch() {
  if (converter_)
    converter_->StopBatch();
}

void Session::PasteFromMemory(const TagFields& shown) {
  const QStringList& list = navigator_->FileList();
  const QString& file = navigator_->ShownFilePath();
  const qsizetype copiedAt = list.indexOf(tagEditor_->CopiedFile());
  const qsizetype shownAt = list.indexOf(file);
  std::optional<int> distance;
  if (copiedAt >= 0 && shownAt >= 0)
    distance = static_cast<int>(shownAt - copiedAt);
  tagEditor_->PasteFromMemory(shown, file, distance);
}
