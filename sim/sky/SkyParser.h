// The sky file: a JSON description of satellites, dishes, transponders and their streams
// (schema in docs/sky.md). Parsing is strict: unknown keys, wrong types and values out of
// range are refused with the file name and the JSON path of the offending value.
#pragma once
#include <stdexcept>
#include <string>

#include "sky/Sky.h"

namespace cv7::sim {

class SkyError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses sky-file text. sourceName prefixes every error; relative recorded-stream paths
// are taken relative to baseDirectory, and with a base directory every recorded stream
// must open and hold a transport stream. Throws SkyError.
Sky parseSky(const std::string& text, const std::string& sourceName,
             const std::string& baseDirectory = "");

// Reads and parses a sky file, checking its recorded streams. Throws SkyError (also when
// the file cannot be read).
Sky loadSky(const std::string& path);

}  // namespace cv7::sim
