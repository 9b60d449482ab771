// A batch conversion killed at any moment: no WAV file is gone whose MP3 does not hold its whole
// audio and tag, nothing partial stands under an MP3's name, only hidden temporary files may be
// left, and the next run finishes the rest and removes them. The batch runs in a separate
// program (kill_driver) that the test kills with SIGKILL.
#include "AudioFixtures.h"

#include <gtest/gtest.h>

#include <mp3infp.h>

#include <QByteArray>

#include <cctype>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Song {
  std::string stem;
  double seconds;
};
const std::vector<Song> kSongs = {{"01", 1.0}, {"02", 1.4}, {"03", 1.8},
                                  {"04", 2.2}, {"05", 2.6}, {"06", 3.0}};

fixtures::Bytes SongWav(const Song& song) {
  return fixtures::makeWavWithChunks({.seconds = song.seconds},
                                     {fixtures::makeInfoList({{"INAM", "title" + song.stem}})});
}

// The MP3's playing time and title as the tag library reads them; -1 when it is no MP3.
qint64 Mp3Ms(const fs::path& file, std::string* title = nullptr) {
  char* value = nullptr;
  if (mp3infp_Load(nullptr, file.c_str()) != 0 || mp3infp_GetType() != 1 ||
      mp3infp_GetValue("TIME_MS", &value) != 0 || value == nullptr)
    return -1;
  const qint64 ms = QByteArray(value).toLongLong();
  if (title != nullptr) {
    char* inam = nullptr;
    mp3infp_GetValue("INAM_rmp", &inam);
    *title = inam != nullptr ? inam : "";
  }
  return ms;
}

bool Whole(const fs::path& mp3, const Song& song, bool withTag) {
  std::string title;
  const qint64 ms = Mp3Ms(mp3, &title);
  return ms >= 0 && std::abs(ms - song.seconds * 1000) <= 30 &&
         (!withTag || title == "title" + song.stem);
}

// Runs the driver over `folder`; stops it at the line `stop` (empty: never) or after `after`,
// then kills it. Returns the lines it printed; `exited` tells whether it ended by itself.
std::vector<std::string> RunDriver(const fs::path& folder, const fs::path& trash,
                                   const std::string& stop, std::chrono::milliseconds after,
                                   bool& exited) {
  int out[2];
  EXPECT_EQ(::pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  std::string a0 = W2M_KILL_DRIVER, a1 = folder.string(), a2 = trash.string(), a3 = stop;
  char* argv[] = {a0.data(), a1.data(), a2.data(), stop.empty() ? nullptr : a3.data(), nullptr};
  pid_t pid = 0;
  EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);

  std::thread timer;
  if (after.count() > 0)
    timer = std::thread([pid, after] {
      std::this_thread::sleep_for(after);
      ::kill(pid, SIGKILL);
    });
  std::vector<std::string> lines;
  FILE* in = ::fdopen(out[0], "r");
  char* line = nullptr;
  size_t size = 0;
  while (::getline(&line, &size, in) > 0) {
    lines.emplace_back(line, std::strlen(line) - 1);
    if (!stop.empty() && lines.back() == stop)
      ::kill(pid, SIGKILL);
  }
  std::free(line);
  std::fclose(in);
  // The timer is done before the child is reaped: its kill never reaches a recycled id.
  if (timer.joinable())
    timer.join();
  int status = 0;
  ::waitpid(pid, &status, 0);
  exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return lines;
}

class ConvertKillTest : public ::testing::TestWithParam<std::string> {
protected:
  void SetUp() override {
    fs::create_directory(folder);
    fs::create_directory(trash);
    for (const Song& song : kSongs)
      fixtures::writeFile(folder / (song.stem + ".wav"), SongWav(song));
  }

  const Song* Find(const std::string& stem) const {
    for (const Song& song : kSongs)
      if (song.stem == stem)
        return &song;
    return nullptr;
  }

  // What the folder and the trash may hold at any moment. Returns the number of hidden
  // temporary files.
  int CheckInvariants() {
    int temps = 0;
    for (const Song& song : kSongs) {
      if (fs::exists(folder / (song.stem + ".wav")))
        continue;
      EXPECT_EQ(fixtures::readFile(trash / (song.stem + ".wav")), SongWav(song)) << song.stem;
      EXPECT_TRUE(Whole(folder / (song.stem + ".mp3"), song, true))
          << song.stem << ".wav is gone without a whole MP3 holding its tag";
    }
    for (const auto& e : fs::directory_iterator(folder)) {
      const std::string name = e.path().filename().string();
      const Song* song = Find(e.path().stem().string());
      // A hidden temporary file (the encode's, or the tag library's rewrite) may be left by
      // the kill; the next run must remove it.
      if (name.front() == '.') {
        ++temps;
      } else if (e.path().extension() == ".mp3") {
        EXPECT_TRUE(song != nullptr && Whole(e.path(), *song, false)) << "partial: " << name;
      } else {
        EXPECT_TRUE(song != nullptr && e.path().extension() == ".wav" &&
                    fixtures::readFile(e.path()) == SongWav(*song))
            << "changed or unexpected: " << name;
      }
    }
    return temps;
  }

  fixtures::TempDir dir;
  fs::path folder = dir / "music";
  fs::path trash = dir / "trash";
};

TEST_P(ConvertKillTest, KilledBatchLosesNothingAndTheNextRunFinishes) {
  const std::string& moment = GetParam();
  bool exited = true;
  std::vector<std::string> lines;
  if (moment.rfind("after ", 0) == 0)
    lines = RunDriver(folder, trash, {}, std::chrono::milliseconds(std::stoi(moment.substr(6))),
                      exited);
  else
    lines = RunDriver(folder, trash, moment, {}, exited);
  // A kill by time may come after the batch ended on a fast machine; one at a step never does.
  if (moment.rfind("after ", 0) != 0) {
    ASSERT_FALSE(exited) << "the driver ended before it was killed";
    ASSERT_FALSE(lines.empty());
    ASSERT_EQ(lines.back(), moment) << "never reached that step";
  }
  const int temps = CheckInvariants();
  // Stopped inside an encode, the driver leaves its temporary file for the next run to remove.
  if (moment.rfind("progress", 0) == 0 || moment.rfind("finish", 0) == 0) {
    EXPECT_EQ(temps, 1);
  }

  lines = RunDriver(folder, trash, {}, {}, exited);
  ASSERT_TRUE(exited);
  CheckInvariants();
  std::string steps;
  for (const std::string& line : lines)
    steps += line + '\n';
  for (const Song& song : kSongs)
    EXPECT_FALSE(fs::exists(folder / (song.stem + ".wav")))
        << song.stem << ".wav not converted; the run said:\n"
        << steps;
  for (const auto& e : fs::directory_iterator(folder))
    EXPECT_TRUE(e.path().extension() == ".mp3" && e.path().filename().string().front() != '.')
        << e.path().filename() << " left behind";
}

INSTANTIATE_TEST_SUITE_P(Moments, ConvertKillTest,
                         ::testing::Values("progress 01.wav 2",   // first encode half written
                                           "finish 02.wav 0",     // closed, not checked yet
                                           "tagged 03.wav",       // tag written, not in place
                                           "trash 03.wav",        // in place, WAV not moved
                                           "trashed 04.wav",      // WAV moved
                                           "wait 1000 04.wav ok", // result shown
                                           "progress 05.wav 1",   // later encode under way
                                           "finish 06.wav 0",     // last encode closed
                                           "wait 3000 - -",       // batch summary
                                           "after 60", "after 150", "after 250"),
                         [](const ::testing::TestParamInfo<std::string>& moment) {
                           std::string name;
                           for (const char c : moment.param)
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

} // namespace
