// The tag values and the cover of a file as the tools people check tags with show them:
// ffprobe, exiftool, mediainfo, kid3-cli and (for MP3 files) eyeD3. A tool that is not installed is
// left out (scripts/deps.sh installs them all).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace tag_tools {

inline std::string run(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
      out.append(buffer, n);
    ::pclose(p);
  }
  return out;
}

// An MP3's 16-bit samples, interleaved, as ffmpeg decodes it (honouring LAME's delay and padding).
inline std::vector<std::int16_t> decoded(const std::filesystem::path& file) {
  const std::string pcm = run("ffmpeg -v error -i '" + file.string() + "' -f s16le -");
  std::vector<std::int16_t> out(pcm.size() / 2);
  std::copy_n(pcm.data(), out.size() * 2, reinterpret_cast<char*>(out.data()));
  return out;
}

inline bool installed(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

inline std::string quoted(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

// "key=value" lines (ffprobe's flat output, mediainfo with a template) into a map.
inline std::map<std::string, std::string> keyValues(const std::string& text, char separator) {
  std::map<std::string, std::string> m;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    const std::string line = text.substr(start, end - start);
    const std::size_t at = line.find(separator);
    if (at != std::string::npos)
      m.emplace(line.substr(0, at), line.substr(at + 1));
    start = end + 1;
  }
  return m;
}

inline const std::vector<std::string>& allTools() {
  static const std::vector<std::string> tools = {"ffprobe", "exiftool", "mediainfo", "kid3-cli",
                                                 "eyeD3"};
  return tools;
}

// What a tool shows where it has no such field at all.
inline const std::string kNotShown = "(not shown)";

// Title, artist, album, comment, year, track number, album artist, disc number, composer,
// lyricist, and the title, artist and album readings as each installed tool shows them.
inline std::map<std::string, std::vector<std::string>>
fieldsByTools(const std::filesystem::path& file) {
  std::map<std::string, std::vector<std::string>> shown;
  const std::string q = quoted(file);
  const auto pick = [](std::map<std::string, std::string> tags, std::vector<std::string> keys) {
    for (std::string& k : keys)
      k = k == kNotShown ? k : tags[k];
    return keys;
  };
  if (installed("ffprobe"))
    shown["ffprobe"] =
        pick(keyValues(run("ffprobe -v error -show_entries format_tags -of default=nw=1:nk=0 " + q),
                       '='),
             {"TAG:title", "TAG:artist", "TAG:album", "TAG:comment", "TAG:date", "TAG:track",
              "TAG:album_artist", "TAG:disc", "TAG:composer", "TAG:TEXT", "TAG:title-sort",
              "TAG:artist-sort", "TAG:album-sort"});
  if (installed("exiftool")) { // the ID3v2 frames (not a WAV file's INFO items), and the readings
                               // of a 2.3 tag, which it takes outside the 2.3 group
    auto tags = keyValues(run("exiftool -a -S -ID3v2_2:all -ID3v2_3:all -ID3v2_4:all "
                              "-TitleSortOrder -PerformerSortOrder -AlbumSortOrder " +
                              q),
                          ':');
    for (auto& [k, v] : tags)
      v.erase(0, std::min(v.size(), v.find_first_not_of(' ')));
    tags["Comment"] = tags["Comment-jpn"].empty() ? tags["Comment"] : tags["Comment-jpn"];
    tags["Year"] = tags["Year"].empty() ? tags["RecordingTime"] : tags["Year"];
    shown["exiftool"] = pick(tags, {"Title", "Artist", "Album", "Comment", "Year", "Track", "Band",
                                    "PartOfSet", "Composer", "Lyricist", "TitleSortOrder",
                                    "PerformerSortOrder", "AlbumSortOrder"});
  }
  if (installed("mediainfo")) {
    auto tags = keyValues(
        run("mediainfo --Output='General;t=%Track%\\na=%Performer%\\nl=%Album%\\nc=%Comment%\\n"
            "y=%Recorded_Date%\\nn=%Track/Position%/%Track/Position_Total%\\nb=%Album/Performer%\\n"
            "d=%Part/Position%/%Part/Position_Total%\\nm=%Composer%\\nw=%Lyricist%\\n"
            "T=%Track/Sort%\\nA=%Performer/Sort%\\nL=%Album/Sort%' " +
            q),
        '=');
    // Of a WAV file it shows the ID3v2 values, then " / " and the INFO values when they are
    // not the same text as it reads them (Latin-1). A number without a total ends in '/'.
    for (auto& [k, v] : tags)
      v = v.substr(0, v.find(" / "));
    for (const char* k : {"n", "d"})
      tags[k] = tags[k].substr(0, tags[k].size() - (tags[k].ends_with('/') ? 1 : 0));
    shown["mediainfo"] =
        pick(tags, {"t", "a", "l", "c", "y", "n", "b", "d", "m", "w", "T", "A", "L"});
  }
  if (installed("kid3-cli")) { // "  Name  value" lines, the names padded to one width
    std::map<std::string, std::string> tags;
    std::istringstream lines(run("kid3-cli -c 'get all 2' " + q));
    for (std::string line; std::getline(lines, line);)
      if (const std::size_t gap = line.find("  ", 2); line.rfind("  ", 0) == 0 && gap < line.size())
        tags.emplace(line.substr(2, gap - 2),
                     line.substr(std::min(line.size(), line.find_first_not_of(' ', gap))));
    shown["kid3-cli"] = pick(tags, {"Title", "Artist", "Album", "Comment", "Date", "Track Number",
                                    "Album Artist", "Disc Number", "Composer", "Lyricist",
                                    "Sort Name", "Sort Artist", "Sort Album"});
  }
  if (installed("eyeD3") && file.extension() == ".mp3") { // it reads MP3 files only
    const std::string out = run("eyeD3 --no-color " + q);
    auto tags = keyValues(out, ':');
    for (auto& [k, v] : tags) // "track: 3/12\t\tgenre: ..."
      v = v.substr(std::min<std::size_t>(v.size(), 1), v.find('\t') - 1);
    // The comment is the line after the one naming its description and language.
    const std::size_t at = out.find('\n', out.find("Comment: [Description: ]"));
    tags["comment"] = at >= out.size() ? "" : out.substr(at + 1, out.find('\n', at + 1) - at - 1);
    shown["eyeD3"] = pick(tags, {"title", "artist", "album", "comment", "recording date", "track",
                                 "album artist", "disc", "composer", kNotShown, kNotShown,
                                 kNotShown, kNotShown});
  }
  for (const std::string& tool : allTools())
    if (shown.find(tool) == shown.end() && (tool != "eyeD3" || file.extension() == ".mp3"))
      std::printf("%s is not installed: skipped\n", tool.c_str());
  return shown;
}

// Title, artist, album, comment and year as each installed tool shows them.
inline std::map<std::string, std::vector<std::string>>
readByTools(const std::filesystem::path& file) {
  auto shown = fieldsByTools(file);
  for (auto& [tool, values] : shown)
    values.resize(5);
  return shown;
}

// The track number ("3/12") as each installed tool shows it.
inline std::map<std::string, std::string> trackByTools(const std::filesystem::path& file) {
  std::map<std::string, std::string> shown;
  for (const auto& [tool, values] : fieldsByTools(file))
    shown[tool] = values[5];
  return shown;
}

// Whether each installed tool sees `image` as the file's attached picture: ffprobe lists an
// attached picture stream, exiftool a picture of its size, mediainfo a cover of its MIME type,
// kid3-cli exports its exact bytes and eyeD3 (MP3 files) shows a front cover of its size.
inline std::map<std::string, bool> coverSeenByTools(const std::filesystem::path& file,
                                                    const std::vector<std::uint8_t>& image,
                                                    const std::string& mime) {
  std::map<std::string, bool> seen;
  const std::string q = quoted(file);
  const std::string size = std::to_string(image.size());
  if (installed("ffprobe"))
    seen["ffprobe"] =
        run("ffprobe -v error -show_streams " + q).find("attached_pic=1") != std::string::npos;
  if (installed("exiftool"))
    seen["exiftool"] = run("exiftool -S -Picture " + q).find("Binary data " + size + " bytes") !=
                       std::string::npos;
  if (installed("mediainfo"))
    seen["mediainfo"] =
        run("mediainfo --Output='General;%Cover%:%Cover_Mime%' " + q) == "Yes:" + mime + "\n";
  if (installed("kid3-cli")) {
    const std::filesystem::path out = file.string() + ".cover";
    run("kid3-cli -c 'get picture:\"" + out.string() + "\"' " + q); // a name with blanks
    std::vector<std::uint8_t> exported;
    if (FILE* f = std::fopen(out.c_str(), "rb")) {
      for (int c; (c = std::fgetc(f)) != EOF;)
        exported.push_back(static_cast<std::uint8_t>(c));
      std::fclose(f);
    }
    std::filesystem::remove(out);
    seen["kid3-cli"] = exported == image;
  }
  if (installed("eyeD3") && file.extension() == ".mp3")
    seen["eyeD3"] = run("eyeD3 --no-color " + q)
                        .find("FRONT_COVER Image: [Size: " + size + " bytes] [Type: " + mime +
                              "]") != std::string::npos;
  return seen;
}

} // namespace tag_tools
