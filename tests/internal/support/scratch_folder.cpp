// Scratch folders and file helpers of the internal tests.
#include "internal/support/scratch_folder.h"

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kavro::platform::testing {

ScratchFolder::ScratchFolder() = default;

ScratchFolder::~ScratchFolder() = default;

std::wstring ScratchFolder::Win(const std::string& name) const {
  std::wstring out = L"Z:";
  for (char c : Sub(name)) out.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

std::vector<std::string> ScratchFolder::Names() const {
  std::vector<std::string> names;
  if (DIR* dir = opendir(path().c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) { kavro::test::WriteBytes(path, bytes); }

}  // namespace kavro::platform::testing
