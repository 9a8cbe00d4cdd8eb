// A second process for the clipboard tests (the store comes from
// KAVRO_CLIPBOARD_DIR):
//   clipboard_reader_platform read NAME   prints the id of format NAME, then
//                                         each file of the CF_HDROP drop on
//                                         its own line (UTF-8)
//   clipboard_reader_platform hold MS F   opens the clipboard, creates file F,
//                                         keeps it open MS milliseconds
// Exit code 0, or 2 when the clipboard cannot be opened.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "KavroStd/platform/windows.h"

namespace {

std::wstring Wide(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(wcslen(out.c_str()));
  return out;
}

std::string Narrow(const wchar_t* text, UINT length) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
  return out;
}

int Read(const char* name) {
  std::printf("%u\n", RegisterClipboardFormatW(Wide(name).c_str()));
  if (!OpenClipboard(nullptr)) return 2;
  HDROP drop = static_cast<HDROP>(GetClipboardData(CF_HDROP));
  UINT count = drop ? DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) : 0;
  for (UINT i = 0; i < count; ++i) {
    std::vector<wchar_t> buffer(DragQueryFileW(drop, i, nullptr, 0) + 1);
    UINT n = DragQueryFileW(drop, i, buffer.data(), static_cast<UINT>(buffer.size()));
    std::printf("%s\n", Narrow(buffer.data(), n).c_str());
  }
  CloseClipboard();
  return 0;
}

int Hold(int milliseconds, const char* marker) {
  if (!OpenClipboard(nullptr)) return 2;
  if (FILE* f = std::fopen(marker, "w")) std::fclose(f);
  usleep(static_cast<useconds_t>(milliseconds) * 1000);
  CloseClipboard();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "read") == 0) return Read(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "hold") == 0) return Hold(std::atoi(argv[2]), argv[3]);
  std::fprintf(stderr, "usage: %s read NAME | hold MS FILE\n", argv[0]);
  return 1;
}
