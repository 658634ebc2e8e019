// The arguments of `record OUT.avi|OUT.wmv|OUT.mov|OUT.mp4 [--codec FOURCC|--profile N]
// [--quality Q] [--seconds S]`, checked against the movie type the output's extension names.
// After `record`, --profile is the WMV profile's index (before it, the connection profile).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "desktop/media/MovieWriterFactory.h"

namespace mirrodex::cli {

struct RecordOptions {
  std::optional<std::string> codec;  // --codec: AVI compressor or MOV codec type
  std::optional<int> profile;        // --profile: WMV profile index
  std::optional<int> seconds;        // --seconds: stop after this long; else at Ctrl+C
};

// Whether `arg` is an option of the record command.
bool IsRecordOption(const std::string& arg);
// Takes one record option and its value. False with `error` set on a bad value.
bool ParseRecordOption(const std::string& arg, const std::string& value, RecordOptions& record,
                       std::string& error);
// The writer's choices for `output` (OUT plus the options). False with `error` set when the
// extension is not a movie type or an option does not belong to it.
bool ChooseMovie(const std::string& output, const RecordOptions& record, std::optional<int> quality,
                 MovieChoice& choice, std::string& error);

}  // namespace mirrodex::cli
