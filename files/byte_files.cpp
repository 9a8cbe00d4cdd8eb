// Scrambled byte files: raw data under the byte scrambling with the
// library's fixed 16-byte key, no header. Reading unscrambles in blocks of
// 1024 bytes, each with the key position starting at 0 (the same as one
// pass, 1024 being a multiple of 16).
#include <cstring>
#include <vector>

#include "KavroStd/files.h"

namespace {

const int kKeyLength = 16;
const UINT kBlock = 1024;

// The key is computed rather than stored as one block of bytes; files
// written and read by this library depend on its exact value.
struct ByteFileKey {
  unsigned char bytes[kKeyLength];
  ByteFileKey() {
    unsigned char value = 0x4B;
    for (int i = 0; i < kKeyLength; ++i) {
      value = static_cast<unsigned char>(value * 29 + 0x35 + i);
      bytes[i] = value;
    }
  }
};

unsigned char* Key() {
  static ByteFileKey key;
  return key.bytes;
}

void Scramble(unsigned char* data, DWORD length) { CStringOpr::EncryptByteData(data, length, Key(), kKeyLength); }

// Reads file from its position in blocks into bytes from index 0: each
// block unscrambled by itself. Grows bytes if the file holds more than
// expected; returns the number of bytes read.
INT_PTR ReadBlocks(CFile& file, CByteArray& bytes) {
  unsigned char block[kBlock];
  INT_PTR done = 0;
  for (;;) {
    UINT n = file.Read(block, kBlock);
    if (n == 0) break;
    Scramble(block, n);
    if (done + static_cast<INT_PTR>(n) > bytes.GetSize()) bytes.SetSize(done + n);
    memcpy(bytes.GetData() + done, block, n);
    done += n;
  }
  return done;
}

}  // namespace

void CStringOpr::SaveByteArrayToFile(unsigned char* data, DWORD length, const wchar_t* path) {
  CFile file(path, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
  if (data && length > 0) {
    Scramble(data, length);
    file.Write(data, length);
  }
  file.Close();
}

void CStringOpr::SaveByteArrayToFile(CByteArray& bytes, const wchar_t* path) {
  if (bytes.IsEmpty()) return;
  std::vector<unsigned char> copy(bytes.GetData(), bytes.GetData() + bytes.GetSize());
  SaveByteArrayToFile(copy.data(), static_cast<DWORD>(copy.size()), path);
}

void CStringOpr::SaveByteArrayToFile(unsigned char* data, DWORD length, CMemFile* file) {
  if (!file) return;
  file->Flush();
  if (!data || length == 0) return;
  Scramble(data, length);
  file->Write(data, length);
}

void CStringOpr::SaveByteArrayToFile(CByteArray& bytes, CMemFile* file) {
  std::vector<unsigned char> copy(bytes.GetData(), bytes.GetData() + bytes.GetSize());
  SaveByteArrayToFile(copy.data(), static_cast<DWORD>(copy.size()), file);
}

void CStringOpr::ReadFileToByteArray(const wchar_t* path, CByteArray& bytes) {
  if (!path || GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES) return;
  CFile file(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary);
  bytes.SetSize(static_cast<INT_PTR>(file.GetLength()));
  // A file that shrank meanwhile leaves no stale tail.
  bytes.SetSize(ReadBlocks(file, bytes));
  file.Close();
}

void CStringOpr::ReadFileToByteArray(CMemFile* file, CByteArray& bytes) {
  if (!file) return;
  bytes.SetSize(0);
  bytes.SetSize(static_cast<INT_PTR>(file->GetLength()));
  ReadBlocks(*file, bytes);
}
