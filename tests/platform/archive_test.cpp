#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "support/test_support.h"

namespace {

std::string Bytes(CMemFile& file) {
  ULONGLONG length = file.GetLength();
  std::string bytes(static_cast<size_t>(length), '\0');
  file.SeekToBegin();
  if (length) file.Read(bytes.data(), static_cast<UINT>(length));
  return bytes;
}

// A memory file holding bytes, positioned at its start.
void Fill(CMemFile& file, const std::string& bytes) {
  file.SetLength(0);
  file.Write(bytes.data(), static_cast<UINT>(bytes.size()));
  file.SeekToBegin();
}

// Runs action and returns the cause of the CArchiveException it throws, or
// -1 when it throws none.
template <typename F>
int ArchiveCause(F action) {
  try {
    action();
  } catch (CArchiveException* e) {
    int cause = e->m_cause;
    e->Delete();
    return cause;
  }
  return -1;
}

TEST(CArchive, StoresEachTypeLittleEndian) {
  struct Row {
    const char* name;
    void (*store)(CArchive&);
    std::string bytes;
  } const rows[] = {
      {"BYTE", [](CArchive& a) { a << static_cast<BYTE>(0xAB); }, "\xAB"},
      {"char", [](CArchive& a) { a << 'x'; }, "x"},
      {"bool", [](CArchive& a) { a << true << false; }, std::string("\x01\x00", 2)},
      {"WORD", [](CArchive& a) { a << static_cast<WORD>(0x1234); }, "\x34\x12"},
      {"short", [](CArchive& a) { a << static_cast<short>(-2); }, "\xFE\xFF"},
      {"wchar_t", [](CArchive& a) { a << L'\x4E2D' << static_cast<wchar_t>(0x1F600); }, "\x2D\x4E\xFD\xFF"},
      {"LONG", [](CArchive& a) { a << static_cast<LONG>(-2); }, "\xFE\xFF\xFF\xFF"},
      {"int", [](CArchive& a) { a << 0x01020304; }, "\x04\x03\x02\x01"},
      {"DWORD", [](CArchive& a) { a << static_cast<DWORD>(0x80000000u); }, std::string("\x00\x00\x00\x80", 4)},
      {"UINT", [](CArchive& a) { a << static_cast<UINT>(7); }, std::string("\x07\x00\x00\x00", 4)},
      {"LONGLONG", [](CArchive& a) { a << static_cast<LONGLONG>(-1); }, std::string(8, '\xFF')},
      {"ULONGLONG", [](CArchive& a) { a << static_cast<ULONGLONG>(0x0102030405060708ULL); },
       "\x08\x07\x06\x05\x04\x03\x02\x01"},
      {"float", [](CArchive& a) { a << 1.0f; }, std::string("\x00\x00\x80\x3F", 4)},
      {"double", [](CArchive& a) { a << 1.5; }, std::string("\x00\x00\x00\x00\x00\x00\xF8\x3F", 8)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CMemFile file;
    {
      CArchive ar(&file, CArchive::store);
      row.store(ar);
    }  // the destructor flushes
    EXPECT_EQ(Bytes(file), row.bytes);
  }
}

TEST(CArchive, LoadsWhatItStored) {
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    ar << static_cast<BYTE>(200) << true << static_cast<WORD>(65535) << static_cast<short>(-300)
       << static_cast<LONG>(-123456) << static_cast<DWORD>(4000000000u) << static_cast<LONGLONG>(-5)
       << static_cast<ULONGLONG>(~0ULL) << 0.1f << std::numeric_limits<double>::quiet_NaN()
       << -std::numeric_limits<double>::infinity() << L'\x4E2D';
    ar.Close();
  }
  file.SeekToBegin();
  CArchive ar(&file, CArchive::load);
  BYTE b;
  bool flag;
  WORD w;
  short s;
  LONG l;
  DWORD d;
  LONGLONG ll;
  ULONGLONG ull;
  float f;
  double nan, inf;
  wchar_t c;
  ar >> b >> flag >> w >> s >> l >> d >> ll >> ull >> f >> nan >> inf >> c;
  EXPECT_EQ(b, 200);
  EXPECT_TRUE(flag);
  EXPECT_EQ(w, 65535);
  EXPECT_EQ(s, -300);
  EXPECT_EQ(l, -123456);
  EXPECT_EQ(d, 4000000000u);
  EXPECT_EQ(ll, -5);
  EXPECT_EQ(ull, ~0ULL);
  EXPECT_EQ(f, 0.1f);
  EXPECT_TRUE(std::isnan(nan));
  EXPECT_EQ(inf, -std::numeric_limits<double>::infinity());
  EXPECT_EQ(c, L'\x4E2D');
  EXPECT_TRUE(ar.IsLoading());
  EXPECT_FALSE(ar.IsStoring());
}

TEST(CArchive, CountsUseTheEscapeForms) {
  struct Row {
    DWORD_PTR count;
    std::string bytes;
  } const rows[] = {
      {0, std::string("\x00\x00", 2)},
      {0xFFFE, "\xFE\xFF"},
      {0xFFFF, std::string("\xFF\xFF\xFF\xFF\x00\x00", 6)},
      {0x12345678, "\xFF\xFF\x78\x56\x34\x12"},
      {static_cast<DWORD_PTR>(0x100000000ULL),
       std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x00\x00\x00\x00\x01\x00\x00\x00", 14)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.count);
    CMemFile file;
    {
      CArchive ar(&file, CArchive::store);
      ar.WriteCount(row.count);
    }
    EXPECT_EQ(Bytes(file), row.bytes);
    file.SeekToBegin();
    CArchive in(&file, CArchive::load);
    EXPECT_EQ(in.ReadCount(), row.count);
  }
}

TEST(CArchive, ReadingPastTheEndThrowsEndOfFile) {
  CMemFile file;
  Fill(file, std::string("\x01\x02\x03", 3));
  CArchive ar(&file, CArchive::load);
  WORD w = 0;
  ar >> w;
  EXPECT_EQ(w, 0x0201);
  LONG l = 77;
  EXPECT_EQ(ArchiveCause([&] { ar >> l; }), CArchiveException::endOfFile);
  EXPECT_EQ(l, 77);
  // Raw reads give what there is instead.
  CMemFile other;
  Fill(other, "abc");
  CArchive raw(&other, CArchive::load);
  char buffer[8] = {};
  EXPECT_EQ(raw.Read(buffer, 8), 3u);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(raw.Read(buffer, 8), 0u);
  CMemFile empty;
  CArchive none(&empty, CArchive::load);
  EXPECT_EQ(ArchiveCause([&] { DWORD_PTR n = none.ReadCount(); (void)n; }), CArchiveException::endOfFile);
}

TEST(CArchive, WrongDirectionThrows) {
  CMemFile file;
  Fill(file, std::string(8, '\0'));
  CArchive loading(&file, CArchive::load);
  EXPECT_EQ(ArchiveCause([&] { loading << static_cast<LONG>(1); }), CArchiveException::readOnly);
  EXPECT_EQ(ArchiveCause([&] { loading.Write("x", 1); }), CArchiveException::readOnly);
  CMemFile out;
  CArchive storing(&out, CArchive::store);
  LONG l;
  EXPECT_EQ(ArchiveCause([&] { storing >> l; }), CArchiveException::writeOnly);
  char c;
  EXPECT_EQ(ArchiveCause([&] { storing.Read(&c, 1); }), CArchiveException::writeOnly);
}

TEST(CArchive, FlushOfALoadingArchiveGivesBackWhatItReadAhead) {
  CMemFile file;
  Fill(file, std::string(1000, 'z'));
  CArchive ar(&file, CArchive::load);
  LONG l;
  ar >> l;
  ar.Close();
  EXPECT_EQ(file.GetPosition(), 4u);
  EXPECT_EQ(ar.GetFile(), nullptr);
}

TEST(CArchive, LargeWritesAndSmallBuffers) {
  std::string big(100000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store, 16);  // taken as the smallest buffer
    ar << static_cast<BYTE>(1);
    ar.Write(big.data(), static_cast<UINT>(big.size()));
    ar << static_cast<BYTE>(2);
  }
  std::string all = Bytes(file);
  ASSERT_EQ(all.size(), big.size() + 2);
  EXPECT_EQ(all[0], 1);
  EXPECT_EQ(all.substr(1, big.size()), big);
  EXPECT_EQ(all.back(), 2);
  file.SeekToBegin();
  CArchive in(&file, CArchive::load, 130);
  BYTE first, last;
  std::string back(big.size(), '\0');
  in >> first;
  EXPECT_EQ(in.Read(back.data(), static_cast<UINT>(back.size())), big.size());
  in >> last;
  EXPECT_EQ(back, big);
  EXPECT_EQ(last, 2);
}

TEST(CArchive, OverARealFile) {
  kavro::test::TempDir dir;
  CString path = dir.Win("numbers.bin");
  {
    CFile file(path, CFile::modeCreate | CFile::modeWrite);
    CArchive ar(&file, CArchive::store);
    ar << static_cast<LONG>(0x11223344) << 2.0;
    ar.Close();
    file.Close();
  }
  EXPECT_EQ(kavro::test::ReadBytes(dir.Sub("numbers.bin")),
            std::string("\x44\x33\x22\x11\x00\x00\x00\x00\x00\x00\x00\x40", 12));
  CFile file(path, CFile::modeRead);
  CArchive ar(&file, CArchive::load);
  LONG l;
  double d;
  ar >> l >> d;
  EXPECT_EQ(l, 0x11223344);
  EXPECT_EQ(d, 2.0);
  EXPECT_EQ(ArchiveCause([&] { ar >> d; }), CArchiveException::endOfFile);
}

TEST(CArchiveException, Messages) {
  struct Row {
    int cause;
    const wchar_t* name;
    const wchar_t* expected;
  } const rows[] = {
      {CArchiveException::endOfFile, L"C:\\a.dat", L"An attempt was made to access C:\\a.dat past its end."},
      {CArchiveException::endOfFile, nullptr, L"An attempt was made to access an unnamed file past its end."},
      {CArchiveException::readOnly, L"x", L"An attempt was made to write to x while it was being read."},
      {CArchiveException::writeOnly, L"x", L"An attempt was made to read from x while it was being written."},
      {CArchiveException::badSchema, L"x", L"x contains an incorrect schema."},
      {999, L"x", L"An unknown error occurred while accessing x."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.cause);
    CArchiveException e(row.cause, row.name);
    wchar_t buffer[200];
    ASSERT_TRUE(e.GetErrorMessage(buffer, 200));
    EXPECT_STREQ(buffer, row.expected);
  }
  CArchiveException e(CArchiveException::endOfFile);
  wchar_t small[5];
  ASSERT_TRUE(e.GetErrorMessage(small, 5));
  EXPECT_STREQ(small, L"An a");
  EXPECT_FALSE(e.GetErrorMessage(nullptr, 5));
}

TEST(CMemFile, GrowsSeeksAndDetaches) {
  CMemFile file(16);
  file.Write("hello", 5);
  EXPECT_EQ(file.GetLength(), 5u);
  EXPECT_EQ(file.Seek(10, CFile::begin), 10u);
  file.Write("!", 1);
  EXPECT_EQ(file.GetLength(), 11u);
  std::string bytes = Bytes(file);
  EXPECT_EQ(bytes, std::string("hello\0\0\0\0\0!", 11));  // the gap reads as zero
  EXPECT_EQ(file.Seek(-1, CFile::end), 10u);
  char c = 0;
  EXPECT_EQ(file.Read(&c, 1), 1u);
  EXPECT_EQ(c, '!');
  EXPECT_EQ(file.Read(&c, 1), 0u);
  file.SetLength(3);
  EXPECT_EQ(file.GetPosition(), 3u);
  EXPECT_EQ(Bytes(file), "hel");
  try {
    file.Seek(-4, CFile::current);
    ADD_FAILURE() << "a seek before the start must throw";
  } catch (CFileException* e) {
    EXPECT_EQ(e->m_cause, CFileException::badSeek);
    e->Delete();
  }
  BYTE* block = file.Detach();
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::memcmp(block, "hel", 3), 0);
  free(block);
  EXPECT_EQ(file.GetLength(), 0u);
  EXPECT_EQ(file.Detach(), nullptr);
}

TEST(CMemFile, AttachedBuffers) {
  BYTE fixed[4] = {'a', 'b', 'c', 'd'};
  CMemFile file(fixed, 4);  // no grow step: the buffer is the file
  EXPECT_EQ(file.GetLength(), 4u);
  char two[2];
  file.Read(two, 2);
  file.Write("XY", 2);
  EXPECT_EQ(std::memcmp(fixed, "abXY", 4), 0);
  try {
    file.Write("Z", 1);
    ADD_FAILURE() << "writing beyond a fixed buffer must throw";
  } catch (CMemoryException* e) {
    e->Delete();
  }
  EXPECT_EQ(file.Detach(), fixed);

  BYTE caller[4] = {'1', '2', '3', '4'};
  CMemFile growing;
  growing.Attach(caller, 4, 8);  // with a grow step the file starts empty
  EXPECT_EQ(growing.GetLength(), 0u);
  growing.Write("ab", 2);
  EXPECT_EQ(std::memcmp(caller, "ab34", 4), 0);
  growing.Write("cdefgh", 6);  // outgrows the caller's buffer
  EXPECT_EQ(std::memcmp(caller, "ab34", 4), 0);
  EXPECT_EQ(Bytes(growing), "abcdefgh");
  CFileException error;
  EXPECT_FALSE(growing.Open(L"/tmp/x", CFile::modeRead, &error));
}

}  // namespace
