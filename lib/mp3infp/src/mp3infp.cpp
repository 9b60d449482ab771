// The C entry points: each handle holds one loaded file, the values set since it was loaded and
// the text last handed out; the mp3infp_ functions use a default handle.
#include "mp3infp.h"
#include "mp3infp_ex.h"
#include "mp3infp_handle.h"

#include "FieldNames.h"
#include "LegacyText.h"
#include "ReadBack.h"
#include "TagFile.h"
#include "TagWriter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>

#define MP3INFP_API extern "C" __attribute__((visibility("default")))

using mp3infp::TagFile;
using mp3infp::TagKind;

struct MP3INFP_HANDLE {
  std::unique_ptr<TagFile> file; // as on disk
  // mp3infph_DeferMakes: the file as the tags made since the load leave it, read from memory and
  // from `file` (so declared after it), until the next save writes it.
  std::unique_ptr<TagFile> staged;
  bool deferMakes = false;
  std::map<std::string, std::string> edits; // value name -> UTF-8
  std::optional<mp3infp::Picture> cover;    // set, not yet saved
  mp3infp::UserTexts userTexts;             // set, not yet saved
  std::string value;
  std::optional<mp3infp::Picture> picture; // the one last handed out
  // mp3infph_KeepLocks: the descriptor (and flock) of the file the last rewrite put in place.
  bool keepLocks = false;
  int keptLock = -1;

  ~MP3INFP_HANDLE() { dropKeptLock(); }
  // The loaded file as every call sees it: with the tags made and not yet written.
  const TagFile& loaded() const { return staged ? *staged : *file; }
  void dropKeptLock() {
    if (keptLock >= 0)
      ::close(keptLock);
    keptLock = -1;
  }
};

namespace {

using Handle = MP3INFP_HANDLE;

// The handle of the mp3infp_ functions, and of a null handle.
Handle& handleOf(MP3INFP_HANDLE* handle = nullptr) {
  static Handle defaultHandle;
  return handle ? *handle : defaultHandle;
}

// A rewrite of the handle's file keeps the new file's lock when the handle asked for it.
struct KeptLockScope : mp3infp::ScopedKeptLock {
  explicit KeptLockScope(Handle& s) : ScopedKeptLock(s.keepLocks ? &s.keptLock : nullptr) {}
};

bool isLoadedFile(Handle& s, const char* path) {
  const TagFile* file = s.file.get();
  struct stat st {};
  return file && path && ::stat(path, &st) == 0 && st.st_dev == file->reader().info().st_dev &&
         st.st_ino == file->reader().info().st_ino;
}

// Loads the same file again after it was rewritten; the values set but not yet saved stay set.
std::uint32_t reload(Handle& s) {
  const std::string path = s.file->path();
  s.staged.reset();
  s.file = TagFile::Open(path);
  if (!s.file) {
    s.edits.clear();
    return MP3INFP_SAVE_NOT_RELOADED;
  }
  return MP3INFP_SAVE_OK;
}

// Makes a tag: rewrites the file at once, or with mp3infph_DeferMakes stages the rewrite in
// memory, checked as a written file is, for the next save.
std::uint32_t make(Handle& s, const mp3infp::TagChanges& changes) {
  const TagFile& now = s.loaded();
  if (!s.deferMakes) {
    const KeptLockScope keep(s);
    const mp3infp::ScopedReadBack readBack(mp3infp::ExpectReadBack(now, changes));
    const int result = mp3infp::ApplyChanges(now, changes);
    return result != 0 ? static_cast<uint32_t>(result) : reload(s);
  }
  std::vector<mp3infp::Piece> pieces;
  if (const int failure = mp3infp::RenderChanges(now, changes, pieces))
    return static_cast<uint32_t>(failure);
  if (s.staged)
    pieces = mp3infp::ComposePieces(pieces, s.staged->reader().pieces());
  std::unique_ptr<TagFile> staged = TagFile::Staged(*s.file, std::move(pieces));
  if (!staged || !mp3infp::ExpectTags(now, changes)(*staged))
    return MP3INFP_SAVE_NOT_READ_BACK;
  s.staged = std::move(staged);
  return MP3INFP_SAVE_OK;
}

// Which values set so far belong to which tag of the file.
mp3infp::TagChanges pendingChanges(const Handle& s) {
  mp3infp::TagChanges changes;
  for (const auto& [name, value] : s.edits) {
    std::string id;
    const TagKind kind = mp3infp::SplitValueName(name, id);
    if (kind == TagKind::Info || kind == TagKind::Rmp)
      changes.info[id] = value;
    else if (kind == TagKind::Id3v1)
      changes.id3v1[id] = value;
    else if (kind == TagKind::Id3v2)
      changes.id3v2[id] = value;
  }
  changes.cover = s.cover;
  changes.userTexts = s.userTexts;
  return changes;
}

} // namespace

MP3INFP_API uint32_t mp3infp_GetVer(void) {
  return 0x260;
}

MP3INFP_API uint32_t mp3infph_Load(MP3INFP_HANDLE* handle, const char* path) {
  Handle& s = handleOf(handle);
  s.dropKeptLock();
  s.staged.reset();
  s.file.reset();
  s.edits.clear();
  s.cover.reset();
  s.userTexts.clear();
  s.picture.reset();
  if (!path || !*path)
    return 1;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error)
    return 2;
  s.file = TagFile::Open(absolute.lexically_normal().string());
  return s.file ? 0 : 3;
}

MP3INFP_API uint32_t mp3infph_GetType(MP3INFP_HANDLE* handle) {
  const Handle& s = handleOf(handle);
  return s.file ? s.loaded().type() : 0;
}

MP3INFP_API uint32_t mp3infph_mp3_GetTagType(MP3INFP_HANDLE* handle) {
  const Handle& s = handleOf(handle);
  return s.file ? s.loaded().tagBits() : 0;
}

MP3INFP_API int mp3infph_GetValue(MP3INFP_HANDLE* handle, const char* name, char** value) {
  if (!value)
    return -1;
  Handle& s = handleOf(handle);
  s.value.clear();
  *value = s.value.data();
  if (!name || !s.file)
    return -1;
  const TagFile& file = s.loaded();
  const std::string n = name;
  if (n == "TIME")
    s.value = file.time();
  else if (n == "TIME_MS")
    s.value = file.exactTime();
  else if (n == "PATH")
    s.value = file.folder();
  else if (n == "FILE")
    s.value = file.baseName();
  else {
    std::string id;
    const TagKind kind = mp3infp::SplitValueName(n, id);
    const auto edited = s.edits.find(n);
    const mp3infp::FieldValues* values = file.values(kind);
    if (edited != s.edits.end()) {
      s.value = edited->second;
    } else if (values) {
      const auto it = values->find(id);
      if (it != values->end())
        s.value = it->second;
    } else if (kind == TagKind::None) {
      *value = s.value.data();
      return -1;
    }
  }
  *value = s.value.data();
  return 0;
}

MP3INFP_API uint32_t mp3infph_SetValue(MP3INFP_HANDLE* handle, const char* name,
                                       const char* value) {
  Handle& s = handleOf(handle);
  if (!s.file)
    return MP3INFP_SET_NOT_LOADED;
  if (!name || !value || !mp3infp::IsValidUtf8(value))
    return MP3INFP_SET_INVALID;
  const TagFile& file = s.loaded();
  std::string id;
  const TagKind kind = mp3infp::SplitValueName(name, id);
  if (kind != TagKind::None && !mp3infp::HasPlaceFor(kind, *mp3infp::FindField(id)))
    return MP3INFP_SET_NO_PLACE;
  const bool mp3 = file.type() == TagFile::kMp3;
  switch (kind) {
  case TagKind::Info:
    if (mp3)
      return MP3INFP_SET_OTHER_TAG;
    break;
  case TagKind::Rmp:
    if (!file.isRmp3())
      return MP3INFP_SET_OTHER_TAG;
    break;
  case TagKind::Id3v1: {
    if (!mp3)
      return MP3INFP_SET_OTHER_TAG;
    mp3infp::Id3v1Tag probe = file.id3v1() ? *file.id3v1() : mp3infp::Id3v1Tag();
    mp3infp::FieldValues v1 = pendingChanges(s).id3v1;
    v1[id] = value;
    if (!probe.setAll(v1))
      return MP3INFP_SET_NOT_FITTING; // longer than the field, no ID3v1 genre of that name, a
                                      // track beside 30 bytes
    break;
  }
  case TagKind::Id3v2:
    if (!mp3)
      return MP3INFP_SET_OTHER_TAG;
    break;
  case TagKind::None:
    return MP3INFP_SET_UNKNOWN_NAME;
  }
  if ((id == mp3infp::kTrackId || id == mp3infp::kDiscId) && !mp3infp::IsTrackNumber(value))
    return MP3INFP_SET_NOT_FITTING;
  // A value the file already holds stays as stored: writing it again could only change its
  // bytes (its encoding), which other tools may read differently.
  const mp3infp::FieldValues* stored = file.values(kind);
  const auto it = stored ? stored->find(id) : mp3infp::FieldValues::const_iterator();
  if (stored ? (it != stored->end() && it->second == value) : *value == '\0')
    s.edits.erase(name);
  else
    s.edits[name] = value;
  return MP3INFP_SET_OK;
}

MP3INFP_API uint32_t mp3infph_Save(MP3INFP_HANDLE* handle, const char* path) {
  Handle& s = handleOf(handle);
  if (!s.file)
    return MP3INFP_SAVE_NOT_LOADED;
  if (!isLoadedFile(s, path))
    return MP3INFP_SAVE_OTHER_FILE;
  if (s.edits.empty() && !s.cover && s.userTexts.empty() && !s.staged)
    return MP3INFP_SAVE_OK;
  const mp3infp::TagChanges changes = pendingChanges(s);
  const KeptLockScope keep(s);
  // A file staged by the Make calls is written with the values: one rewrite.
  const mp3infp::ScopedReadBack readBack(mp3infp::ExpectReadBack(s.loaded(), changes));
  const int result = mp3infp::ApplyChanges(s.loaded(), changes);
  if (result != 0)
    return static_cast<uint32_t>(result);
  s.edits.clear();
  s.cover.reset();
  s.userTexts.clear();
  return reload(s);
}

MP3INFP_API uint32_t mp3infph_mp3_MakeId3v1(MP3INFP_HANDLE* handle, const char* path) {
  Handle& s = handleOf(handle);
  if (!s.file || s.loaded().type() != TagFile::kMp3)
    return MP3INFP_SAVE_NOT_LOADED;
  if (!isLoadedFile(s, path))
    return MP3INFP_SAVE_OTHER_FILE;
  if (s.loaded().id3v1())
    return MP3INFP_SAVE_OK;
  mp3infp::TagChanges changes;
  changes.addId3v1 = true;
  return make(s, changes);
}

MP3INFP_API uint32_t mp3infph_mp3_MakeRMP(MP3INFP_HANDLE* handle, const char* path) {
  Handle& s = handleOf(handle);
  if (!s.file || s.loaded().type() != TagFile::kMp3)
    return MP3INFP_SAVE_NOT_LOADED;
  if (!isLoadedFile(s, path))
    return MP3INFP_SAVE_OTHER_FILE;
  if (s.loaded().isRmp3() && s.loaded().hasInfoList())
    return MP3INFP_SAVE_OK;
  mp3infp::TagChanges changes;
  changes.wrapRmp = true;
  return make(s, changes);
}

MP3INFP_API uint32_t mp3infph_MakeId3v2(MP3INFP_HANDLE* handle, const char* path) {
  Handle& s = handleOf(handle);
  if (!s.file)
    return MP3INFP_SAVE_NOT_LOADED;
  if (!isLoadedFile(s, path))
    return MP3INFP_SAVE_OTHER_FILE;
  const TagFile& file = s.loaded();
  mp3infp::TagChanges changes;
  if (file.isRmp3()) {
    changes.unwrapRmp = true;
    // Callers read an RMP3 file's INFO values (its tag type says RIFF SIF); those are what
    // the user saw, so they win over what the stream's own tag says.
    for (const auto& [id, value] : *file.values(TagKind::Rmp))
      if (!value.empty())
        changes.id3v2[id] = value;
  } else if (file.type() == TagFile::kWav) {
    if (file.hasId3Chunk())
      return MP3INFP_SAVE_OK;
    changes.addId3v2 = true;
  } else {
    changes.addId3v2 = file.values(TagKind::Id3v2) == nullptr;
    if (!changes.addId3v2 && file.id3v1())
      return MP3INFP_SAVE_OK;
    // A new ID3v2 tag starts with what the file showed, its ID3v1 values, so that a write after
    // it changes no field the user left alone.
    if (changes.addId3v2 && file.id3v1()) {
      for (const auto& [id, value] : *file.values(TagKind::Id3v1))
        if (!value.empty())
          changes.id3v2[id] = value;
      changes.mirror = mp3infp::TagChanges::Mirror::None;
    }
  }
  // Players that read no ID3v2 tag read the ID3v1 one, which then mirrors it.
  changes.addId3v1 = file.type() == TagFile::kMp3 && !file.id3v1();
  if (changes.addId3v1)
    changes.mirror = mp3infp::TagChanges::Mirror::All;
  if (const std::uint32_t result = make(s, changes); result != MP3INFP_SAVE_OK)
    return result;
  if (changes.unwrapRmp) {
    // Values set for the INFO list that is gone now go to the tag that took its place.
    std::map<std::string, std::string> edits;
    for (const auto& [name, value] : s.edits) {
      std::string id;
      const bool rmp = mp3infp::SplitValueName(name, id) == TagKind::Rmp;
      edits[rmp ? id + "_v2" : name] = value;
    }
    s.edits = std::move(edits);
  }
  return MP3INFP_SAVE_OK;
}

MP3INFP_API MP3INFP_HANDLE* mp3infph_Create(void) {
  return new (std::nothrow) MP3INFP_HANDLE;
}

MP3INFP_API void mp3infph_Destroy(MP3INFP_HANDLE* handle) {
  delete handle;
}

MP3INFP_API void mp3infph_KeepLocks(MP3INFP_HANDLE* handle, int keep) {
  Handle& s = handleOf(handle);
  s.keepLocks = keep != 0;
  if (!s.keepLocks)
    s.dropKeptLock();
}

MP3INFP_API void mp3infph_DeferMakes(MP3INFP_HANDLE* handle, int defer) {
  handleOf(handle).deferMakes = defer != 0;
}

MP3INFP_API int mp3infph_TakeLock(MP3INFP_HANDLE* handle) {
  Handle& s = handleOf(handle);
  const int fd = s.keptLock;
  s.keptLock = -1;
  return fd;
}

// The contract's functions: the default handle.

MP3INFP_API uint32_t mp3infp_Load(void* /*owner*/, const char* path) {
  return mp3infph_Load(nullptr, path);
}

MP3INFP_API uint32_t mp3infp_GetType(void) {
  return mp3infph_GetType(nullptr);
}

MP3INFP_API uint32_t mp3infp_mp3_GetTagType(void) {
  return mp3infph_mp3_GetTagType(nullptr);
}

MP3INFP_API int mp3infp_GetValue(const char* name, char** value) {
  return mp3infph_GetValue(nullptr, name, value);
}

MP3INFP_API uint32_t mp3infp_SetValue(const char* name, const char* value) {
  return mp3infph_SetValue(nullptr, name, value);
}

MP3INFP_API uint32_t mp3infp_Save(const char* path) {
  return mp3infph_Save(nullptr, path);
}

MP3INFP_API uint32_t mp3infp_mp3_MakeId3v1(const char* path) {
  return mp3infph_mp3_MakeId3v1(nullptr, path);
}

MP3INFP_API uint32_t mp3infp_mp3_MakeRMP(const char* path) {
  return mp3infph_mp3_MakeRMP(nullptr, path);
}

MP3INFP_API uint32_t mp3infp_MakeId3v2(const char* path) {
  return mp3infph_MakeId3v2(nullptr, path);
}

MP3INFP_API uint32_t mp3infph_GetPicture(MP3INFP_HANDLE* handle, const char** mime,
                                         const void** data, uint32_t* size) {
  Handle& s = handleOf(handle);
  if (mime)
    *mime = "";
  if (data)
    *data = nullptr;
  if (size)
    *size = 0;
  if (!s.file || !mime || !data || !size)
    return MP3INFP_PICTURE_NO_FILE;
  s.picture = s.cover ? s.cover : s.loaded().picture();
  if (!s.picture)
    return MP3INFP_PICTURE_NONE;
  *mime = s.picture->mime.c_str();
  *data = s.picture->data.data();
  *size = static_cast<uint32_t>(s.picture->data.size());
  return MP3INFP_PICTURE_OK;
}

MP3INFP_API uint32_t mp3infph_SetPicture(MP3INFP_HANDLE* handle, const void* data, uint32_t size) {
  Handle& s = handleOf(handle);
  if (!s.file || !data)
    return MP3INFP_PICTURE_NO_FILE;
  if (s.loaded().isRmp3() || s.loaded().riff().rf64())
    return MP3INFP_PICTURE_NO_PLACE;
  mp3infp::Picture cover;
  switch (mp3infp::CheckPicture({static_cast<const char*>(data), size}, cover.mime)) {
  case mp3infp::PictureCheck::kTooLarge:
    return MP3INFP_PICTURE_TOO_LARGE;
  case mp3infp::PictureCheck::kNotAnImage:
    return MP3INFP_PICTURE_NOT_IMAGE;
  case mp3infp::PictureCheck::kImage:
    break;
  }
  cover.data.assign(static_cast<const char*>(data), size);
  // The cover the file holds already stays as stored.
  if (s.loaded().picture() == cover)
    s.cover.reset();
  else
    s.cover = std::move(cover);
  return MP3INFP_PICTURE_OK;
}

MP3INFP_API uint32_t mp3infp_GetPicture(const char** mime, const void** data, uint32_t* size) {
  return mp3infph_GetPicture(nullptr, mime, data, size);
}

MP3INFP_API uint32_t mp3infp_SetPicture(const void* data, uint32_t size) {
  return mp3infph_SetPicture(nullptr, data, size);
}

MP3INFP_API uint32_t mp3infph_SetUserText(MP3INFP_HANDLE* handle, const char* description,
                                          const char* value) {
  Handle& s = handleOf(handle);
  if (!s.file)
    return MP3INFP_USER_TEXT_NO_FILE;
  if (!description || !*description || !value || !mp3infp::IsValidUtf8(description) ||
      !mp3infp::IsValidUtf8(value))
    return MP3INFP_USER_TEXT_INVALID;
  if (s.loaded().type() != TagFile::kMp3 || s.loaded().isRmp3())
    return MP3INFP_USER_TEXT_NO_PLACE;
  s.userTexts[description] = value;
  return MP3INFP_USER_TEXT_OK;
}

MP3INFP_API uint32_t mp3infp_SetUserText(const char* description, const char* value) {
  return mp3infph_SetUserText(nullptr, description, value);
}
