#pragma once

#include "compare.h"
#include "options.h"
#include "output_file.h"
#include "report_writer.h"

#include <nlohmann/json_fwd.hpp>

#include <string>
#include <string_view>

namespace setdelta {

// Raised when the layout of the report changes in a way a reader must know about.
inline constexpr int jsonReportVersion = 2;

// The whole comparison as JSON (the schema is in sdelta/README.md): both inputs, the options,
// the summary counts and every new, changed and removed set with its objects, one set a line.
// Throws OutputError.
void writeJsonReport(OutputFile& output, const Options& options, const ResolvedDat& oldDat, const ResolvedDat& newDat,
                     const Comparison& comparison, const RunSummary& summary);

// An input as the report describes it (INPUT in sdelta/README.md), and the run's options.
nlohmann::ordered_json inputJson(const Dat& dat);
nlohmann::ordered_json optionsJson(const Options& options);

// `text` as valid UTF-8: unchanged when it already is, otherwise read as Latin-1, the encoding
// of older DATs, so that no byte is lost and the report stays valid JSON.
std::string utf8Text(std::string_view text);

} // namespace setdelta
