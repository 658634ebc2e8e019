#include "cli/RecordOptions.h"

#include <cctype>
#include <charconv>

#include "desktop/media/AviCompressors.h"
#include "desktop/media/FourCc.h"
#include "desktop/media/MovCodecTypes.h"
#include "desktop/media/WmvProfiles.h"

namespace mirrodex::cli {
namespace {

bool ParseNumber(const std::string& text, int low, int high, int& out) {
  int value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value < low || value > high)
    return false;
  out = value;
  return true;
}

std::string AviCodes() {
  std::string codes;
  for (const auto& c : AviCompressors())
    codes += (codes.empty() ? "" : ", ") + FourCcText(c.handler);
  return codes;
}

std::string MovCodes() {
  std::string codes;
  for (const auto& t : MovCodecTypes()) {
    codes += (codes.empty() ? "" : ", ") + FourCcText(FourCcSwap(t.type));
  }
  return codes;
}

}  // namespace

bool IsRecordOption(const std::string& arg) {
  return arg == "--codec" || arg == "--profile" || arg == "--seconds";
}

bool ParseRecordOption(const std::string& arg, const std::string& value, RecordOptions& record,
                       std::string& error) {
  int number = 0;
  if (arg == "--codec") {
    if (value.size() != 4) {
      error =
          "--codec takes a four-character code, a blank written as _ (for example XVID or raw_)";
      return false;
    }
    record.codec = value;
  } else if (arg == "--profile") {
    if (!ParseNumber(value, 0, 1000, number)) {
      error = "--profile after record takes a WMV profile number from 0 to " +
              std::to_string(WmvProfiles().size() - 1);
      return false;
    }
    record.profile = number;
  } else if (arg == "--seconds") {
    if (!ParseNumber(value, 1, 86400, number)) {
      error = "--seconds takes a number of seconds from 1 to 86400";
      return false;
    }
    record.seconds = number;
  }
  return true;
}

bool ChooseMovie(const std::string& output, const RecordOptions& record, std::optional<int> quality,
                 MovieChoice& choice, std::string& error) {
  const auto type = MovieTypeOfPath(output);
  if (!type) {
    error = "record needs one output file ending in .avi, .wmv, .mov or .mp4";
    return false;
  }
  choice = {};
  choice.type = *type;
  choice.quality = quality.value_or(75);
  if (record.profile && *type != MovieType::kWmv) {
    error = "--profile after record chooses a WMV profile; it does not apply to this file type";
    return false;
  }
  if (record.codec && *type != MovieType::kAvi && *type != MovieType::kMov) {
    error = "--codec applies to AVI and MOV files only";
    return false;
  }
  switch (*type) {
    case MovieType::kWmv:
      choice.item = static_cast<uint32_t>(record.profile.value_or(0));
      if (FindWmvProfile(choice.item) == nullptr) {
        error = "there is no WMV profile " + std::to_string(choice.item) +
                "; they are numbered 0 to " + std::to_string(WmvProfiles().size() - 1);
        return false;
      }
      break;
    case MovieType::kAvi: {
      // The list's first entry unless a compressor is named.
      const auto installed = InstalledAviCompressors();
      if (record.codec) {
        const AviCompressor* c = FindAviCompressor(FourCcLowFirst(*record.codec));
        if (c == nullptr) {
          error = "unknown AVI compressor " + *record.codec + "; choose one of " + AviCodes();
          return false;
        }
        choice.item = c->handler;
      } else {
        choice.item = installed.empty() ? 0 : installed.front().handler;
      }
      if (quality) choice.compressor.quality = *quality;
      break;
    }
    case MovieType::kMov:
      choice.item = record.codec ? FourCcHighFirst(*record.codec) : MovCodecTypes().front().type;
      if (FindMovCodecType(choice.item) == nullptr) {
        error = "unknown MOV codec type " + *record.codec + "; choose one of " + MovCodes();
        return false;
      }
      break;
    case MovieType::kMp4:
      break;
  }
  return true;
}

}  // namespace mirrodex::cli
