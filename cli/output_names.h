// What `-o` names and where each frame of a render goes: a folder, a picture pattern with its
// frame-number placeholder, or a video.
#pragma once

#include <filesystem>
#include <string>

namespace plenorium::cli {

enum class OutputKind { FOLDER, PICTURES, VIDEO };

// A folder (empty, a trailing slash, no extension, or an existing folder), pictures in any format
// the host writes, or a video. Anything else is refused with a HostError listing what works.
OutputKind outputKindOf(const std::string& output);

std::string lowerCase(std::string text);

// Where frame n goes: a folder gets <comp>_<nnnn>.png; a pattern gets n in place of %0Nd or ####
// in its file name (never in the folders above it). Files are numbered from `firstNumber` on.
class OutputNames {
 public:
  // Throws HostError for a placeholder of more than nine digits, or a single picture's name when
  // several frames are rendered.
  OutputNames(const std::string& output, const std::string& compName, bool singleFrame, OutputKind kind);

  // Frame `first` of the range is numbered `number`, the next one more, and so on.
  void numberFrom(long first, long number) {
    firstFrame_ = first;
    firstNumber_ = number;
  }

  const std::filesystem::path& folderToCreate() const { return folder_; }
  std::string nameFor(long frame) const;
  // The file name with its placeholder ("f_####.png", "<comp>_####.png" for a folder): what
  // names the whole sequence, as its lock does.
  std::string patternName() const { return pattern_.empty() ? prefix_ + "####.png" : pattern_; }

 private:
  std::filesystem::path folder_;
  std::string prefix_;
  std::string pattern_;  // the file name with its placeholder; empty for a folder
  long firstFrame_ = 0;
  long firstNumber_ = 0;
};

}  // namespace plenorium::cli
