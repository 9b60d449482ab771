#include "core/session/Session.h"

#include "core/convert/Converter.h"
#include "core/encoder/EncoderComponent.h"
#include "core/fs/FolderScan.h"
#include "core/fs/Trash.h"
#include "core/session/Navigator.h"
#include "core/session/SessionView.h"
#include "core/tags/TagEditor.h"

Session::Session(SessionView& view, MoveToTrash trash) {
  if (!trash)
    trash = [](const QString& path) { return Trash::MoveToTrash(path); };
  // First: without its module nothing else is made.
  encoder_ = std::make_unique<EncoderComponent>(nullptr);
  encoder_->setObjectName(QStringLiteral("encoder"));
  // Progress after every frame; the low-pass filter on.
  encoder_->setFrequency(1);
  encoder_->setUseLPF(true);

  tagEditor_ = std::make_unique<TagEditor>(view, options_);
  navigator_ = std::make_unique<Navigator>(view, *tagEditor_, options_);
  converter_ = std::make_unique<Converter>(
      view, *encoder_, std::move(trash), options_, [this](const ConversionEnd::Result& result) {
        // The list follows: the MP3 joins, a WAV file gone leaves.
        navigator_->FollowConversion(result.file.wav, result.mp3, result.wavGone);
      });
  // A save replaces the file; an encode still writing it would go on into the replaced one.
  tagEditor_->isBeingWritten = [this](const QString& path) {
    return converter_->IsBeingConverted(path);
  };
  encoder_->OnProgress = [this](QObject*, int nowFrames, int allFrames) {
    converter_->Progress(nowFrames, allFrames);
  };
  encoder_->OnFinish = [this](QObject*, bool aborted) { converter_->Finish(aborted); };
}

Session::~Session() {
  // The encoder component's last events reach nothing; the working classes go before it.
  encoder_->OnProgress = nullptr;
  encoder_->OnFinish = nullptr;
  tagEditor_->isBeingWritten = nullptr;
  converter_.reset();
  navigator_.reset();
  tagEditor_.reset();
  encoder_.reset();
}

void Session::ConvertShown() {
  const QString& shown = navigator_->ShownFilePath();
  // The MP3 gets the WAV file's tag as stored: edits are written first, or dropped, or the
  // conversion waits. A conversion that cannot start says so without the question.
  if (IsWavName(shown) && !converter_->Busy() && !tagEditor_->ConfirmConvert())
    return;
  converter_->ConvertShown(shown, ListRoots());
}

void Session::ConvertAll(Converter::BatchEnded ended) {
  if (navigator_->FileList().isEmpty() || navigator_->ShownFilePath().isEmpty() ||
      (!converter_->Busy() && !tagEditor_->ConfirmConvert())) {
    if (ended)
      ended(std::nullopt);
    return;
  }
  // A list opened during the batch replaces this one; a conversion's changes to it do not.
  const int generation = navigator_->ListGeneration();
  const Navigator* navigator = navigator_.get();
  converter_->ConvertAll(
      navigator_->FileList(),
      [navigator, generation] { return navigator->ListGeneration() != generation; }, {},
      ListRoots(), std::move(ended));
}

QStringList Session::ListRoots() const {
  // The folder opened: its subfolders are kept in an output folder.
  const QString& root = navigator_->ListRoot();
  return root.isEmpty() ? QStringList() : QStringList{root};
}

void Session::StopBatch() {
  converter_->StopBatch();
}

void Session::PasteFromMemory() {
  const QStringList& list = navigator_->FileList();
  const QString& shown = navigator_->ShownFilePath();
  const qsizetype copiedAt = list.indexOf(tagEditor_->CopiedFile());
  const qsizetype shownAt = list.indexOf(shown);
  std::optional<int> distance;
  if (copiedAt >= 0 && shownAt >= 0)
    distance = static_cast<int>(shownAt - copiedAt);
  tagEditor_->PasteFromMemory(shown, distance);
}
