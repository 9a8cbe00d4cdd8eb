// The demo host: stands for the CAD application. It lays out an
// installation tree, copies the library to root/Sys/ and the product modules
// to root/Modules/, then loads the modules (which load the library) and
// starts each of them in turn. The tree stands for a Chinese installation:
// the ANSI code page is 936 (GBK) and one toolbar file is written in it.
//
//   kavro_demo_host --layout DIR --library libKavroStd.so --module a.so [--module b.so]
#include <dlfcn.h>
#include <iconv.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

void Usage() {
  fprintf(stderr, "usage: kavro_demo_host --layout DIR --library FILE --module FILE...\n");
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The bytes of a UTF-8 text in GBK, as a Chinese Windows writes files.
std::string Gbk(const std::string& utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string out(utf8.size() * 2, '\0');
  char* in = const_cast<char*>(utf8.data());
  char* to = out.data();
  size_t inLeft = utf8.size(), outLeft = out.size();
  iconv(cd, &in, &inLeft, &to, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

// The module list and the toolbar files of the menu folder: one toolbar
// file per product, one of them for a module the list does not enable.
void LayOutProducts(const fs::path& root) {
  WriteFile(root / "Acad.rx",
            "KavroDraw.arx=1,KavroCAD Draw\r\n"
            "kavropipe.ARX=2,KavroCAD Pipe\r\n"
            "KavroElec.arx=0,KavroCAD Electrical\r\n");
  const fs::path menu = root / "Support" / "Menu";
  WriteFile(menu / "KavroDraw.mns",
            "; drafting toolbars\r\n"
            "***Draw|Drafting|KavroDraw.arx|draw.bmp|1|\r\n"
            "Line|LINE|Draw a line|line.bmp|0|\r\n"
            "Circle|CIRCLE|Draw a circle|circle.bmp|0|\r\n"
            "Arc|ARC|Draw an arc|arc.bmp|0|\r\n"
            "***Modify|Drafting\r\n"
            "Move|MOVE|Move objects|move.bmp|0|\r\n"
            "Copy|COPY|Copy objects|copy.bmp|0|\r\n");
  WriteFile(menu / "KavroPipe.mns",
            Gbk("***管道|管道设计|KavroPipe.arx|pipe.bmp|1|\r\n"
                "画管线|KP_LINE|绘制管线|pline.bmp|0|\r\n"
                "阀门|KP_VALVE|插入阀门|valve.bmp|0|\r\n"));
  WriteFile(menu / "KavroElec.mns",
            "***Wiring|Electrical|KavroElec.arx|wire.bmp|1|\r\n"
            "Wire|KE_WIRE|Draw a wire|wire.bmp|0|\r\n");
}

}  // namespace

int main(int argc, char** argv) {
  fs::path layout, library;
  std::vector<fs::path> modules;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!strcmp(argv[i], "--layout")) layout = argv[i + 1];
    else if (!strcmp(argv[i], "--library")) library = argv[i + 1];
    else if (!strcmp(argv[i], "--module")) modules.push_back(argv[i + 1]);
  }
  if (layout.empty() || library.empty() || modules.empty()) {
    Usage();
    return 2;
  }

  // A fresh installation tree: the library in Sys, the modules in Modules,
  // a font in the SHX font folder.
  setenv("KAVRO_ACP", "936", 1);
  fs::remove_all(layout);
  fs::create_directories(layout / "Sys");
  fs::create_directories(layout / "Modules");
  fs::copy_file(library, layout / "Sys" / "libKavroStd.so");
  fs::create_symlink("libKavroStd.so", layout / "Sys" / "libKavroStd.so.1");
  WriteFile(layout / "Support" / "ShxFonts" / "simplex.shx", "AutoCAD-86 shapes 1.0\r\n\x1a");
  LayOutProducts(layout);
  printf("host: installation tree laid out in %s\n", layout.c_str());

  std::vector<void*> handles;
  for (const fs::path& module : modules) {
    fs::path placed = layout / "Modules" / module.filename();
    fs::copy_file(module, placed);
    void* handle = dlopen(placed.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      fprintf(stderr, "host: cannot load %s: %s\n", placed.c_str(), dlerror());
      return 1;
    }
    printf("host: loaded %s\n", placed.filename().c_str());
    handles.push_back(handle);
  }
  int status = 0;
  for (size_t i = 0; i < handles.size(); ++i) {
    auto start = reinterpret_cast<int (*)()>(dlsym(handles[i], "KavroModuleStart"));
    if (!start) {
      fprintf(stderr, "host: %s has no KavroModuleStart\n", modules[i].c_str());
      return 1;
    }
    status |= start();
  }
  for (auto it = handles.rbegin(); it != handles.rend(); ++it) {
    auto stop = reinterpret_cast<void (*)()>(dlsym(*it, "KavroModuleStop"));
    if (stop) stop();
    dlclose(*it);
  }
  printf("host: modules unloaded, status %d\n", status);
  return status;
}
