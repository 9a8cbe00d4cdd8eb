// Entry times: the "UT" block holds the file's UTC times exactly (years
// clamped to 1970..2037), the DOS fields its local time.
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "files/zip/zip_raw_records.h"
#include "support/test_support.h"

namespace kavro::test {
namespace {

int64_t Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return static_cast<int64_t>(timegm(&t));
}

// The DOS date-time of an instant moved by the zone offset in force now.
uint32_t DosOfLocal(int64_t instant) {
  const time_t now = time(nullptr);
  std::tm here{};
  localtime_r(&now, &here);
  const time_t local = static_cast<time_t>(instant + here.tm_gmtoff);
  std::tm f{};
  gmtime_r(&local, &f);
  const uint32_t date = ((f.tm_year - 80) << 9) | ((f.tm_mon + 1) << 5) | f.tm_mday;
  const uint32_t tod = (f.tm_hour << 11) | (f.tm_min << 5) | (f.tm_sec / 2);
  return (date << 16) | tod;
}

TEST(ZipWriterTimes, UnixTimesAreExactAndDosTimesLocal) {
  ScopedTimeZone zone("Europe/Berlin");
  TempDir dir;
  struct Case {
    const char* what;
    int64_t mtime, atime;
    int64_t expectedM, expectedA;
    uint32_t dos;  // 0: the local form of mtime
  };
  const int64_t summer = Utc(2021, 7, 1, 12, 0, 0), winter = Utc(2021, 1, 15, 8, 30, 10);
  const Case cases[] = {
      {"summer", summer, summer + 60, summer, summer + 60, 0},
      {"winter", winter, winter + 3600, winter, winter + 3600, 0},
      {"1965", Utc(1965, 3, 4, 10, 20, 30), Utc(1969, 12, 31, 23, 0, 0), 10 * 3600 + 20 * 60 + 30,
       23 * 3600, 0x00210000},
      {"2040", Utc(2040, 6, 1, 5, 6, 8), summer, Utc(2037, 12, 31, 5, 6, 8), summer, 0},
  };
  const CString archive = dir.Win("t.zip");
  HZIPFILE zip = CreateZipZ((void*)archive.GetString(), 0, ZIPKIND_FILENAME);
  ASSERT_NE(zip, nullptr);
  for (const Case& c : cases) {
    const std::string file = dir.Sub(std::string(c.what) + ".txt");
    WriteBytes(file, c.what);
    struct timespec times[2] = {{static_cast<time_t>(c.atime), 0}, {static_cast<time_t>(c.mtime), 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
    const CString source = dir.Win(std::string(c.what) + ".txt");
    ASSERT_EQ(ZipAdd(zip, source.Mid(source.ReverseFind(L'\\') + 1), (void*)source.GetString(), 0,
                     ZIPKIND_FILENAME),
              ZRES_SUCCESS);
  }
  ASSERT_EQ(CloseZipZ(zip), ZRES_SUCCESS);

  RawArchive raw = ParseArchive(ReadBytes(dir.Sub("t.zip")));
  ASSERT_TRUE(raw.ok);
  ASSERT_EQ(raw.entries.size(), std::size(cases));
  for (size_t i = 0; i < raw.entries.size(); ++i) {
    const Case& c = cases[i];
    const RawEntry& e = raw.entries[i];
    SCOPED_TRACE(c.what);
    EXPECT_EQ(e.extra, UtBlock({c.expectedM}));
    EXPECT_EQ(e.localExtra.substr(5, 8), UtBlock({c.expectedM, c.expectedA}).substr(5, 8));
    EXPECT_EQ(e.dosDateTime, c.dos != 0 ? c.dos : DosOfLocal(c.mtime));
  }
}

}  // namespace
}  // namespace kavro::test
