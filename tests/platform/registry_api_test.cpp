// The registry calls on a private store: handles, names, types and sizes,
// enumeration order, deletion, access rights, HKEY_CLASSES_ROOT and the
// 32-bit view, with the results Windows gives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "support/registry_scope.h"

namespace {

using kavro::test::ScopedRegistry;

HKEY Create(HKEY parent, const wchar_t* name, REGSAM access = KEY_ALL_ACCESS, DWORD* disposition = nullptr) {
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(parent, name, 0, nullptr, 0, access, nullptr, &key, disposition));
  return key;
}

LONG SetText(HKEY key, const wchar_t* name, const std::wstring& text, DWORD type = REG_SZ) {
  DWORD bytes = 2;
  for (wchar_t c : text) bytes += static_cast<unsigned>(c) > 0xFFFF ? 4 : 2;
  return RegSetValueExW(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()), bytes);
}

LONG SetDword(HKEY key, const wchar_t* name, DWORD value) {
  return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
}

std::vector<std::wstring> SubkeyNames(HKEY key) {
  std::vector<std::wstring> names;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD chars = 256;
    LONG err = RegEnumKeyExW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr);
    if (err == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(ERROR_SUCCESS, err);
    if (err) break;
    names.emplace_back(name, chars);
  }
  return names;
}

std::vector<std::wstring> ValueNames(HKEY key) {
  std::vector<std::wstring> names;
  std::vector<wchar_t> name(16384);
  for (DWORD i = 0;; ++i) {
    DWORD chars = 16384;
    LONG err = RegEnumValueW(key, i, name.data(), &chars, nullptr, nullptr, nullptr, nullptr);
    if (err == ERROR_NO_MORE_ITEMS) break;
    EXPECT_EQ(ERROR_SUCCESS, err);
    if (err) break;
    names.emplace_back(name.data(), chars);
  }
  return names;
}

TEST(Registry, OpenAndCreateFollowWindowsResults) {
  ScopedRegistry store;
  HKEY result = reinterpret_cast<HKEY>(0x1234);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Missing", 0, KEY_READ, &result));
  EXPECT_EQ(nullptr, result) << "a failed open clears the result";
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExW(nullptr, L"Software", 0, KEY_READ, &result));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, nullptr));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(nullptr));

  DWORD how = 0;
  HKEY a = Create(HKEY_CURRENT_USER, L"Software\\Kavro\\Test", KEY_ALL_ACCESS, &how);
  EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), how);
  HKEY b = Create(HKEY_CURRENT_USER, L"SOFTWARE\\kavro\\TEST\\\\", KEY_ALL_ACCESS, &how);
  EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), how) << "names match without case, trailing '\\' ignored";
  EXPECT_NE(a, b) << "each open is a handle of its own";
  EXPECT_EQ(ERROR_BAD_PATHNAME,
            RegCreateKeyExW(HKEY_CURRENT_USER, L"\\Software", 0, nullptr, 0, KEY_READ, nullptr, &result, nullptr));
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegOpenKeyExW(HKEY_CURRENT_USER, L"\\Software", 0, KEY_READ, &result));

  // An empty or null name opens the predefined key as itself, another key anew.
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"", 0, KEY_READ, &result));
  EXPECT_EQ(HKEY_CURRENT_USER, result);
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, nullptr, 0, KEY_READ, &result));
  EXPECT_EQ(HKEY_CURRENT_USER, result);
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(a, nullptr, 0, KEY_READ, &result));
  EXPECT_NE(a, result);
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(result));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(result)) << "closed twice";

  // Only the low 32 bits of a predefined key count.
  HKEY upper = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0xdeadbeef80000001ull));
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(upper, L"Software\\Kavro", 0, KEY_READ, &result));
  RegCloseKey(result);

  // Key names up to 255 units.
  std::wstring longest(255, L'k');
  HKEY k = Create(a, longest.c_str());
  RegCloseKey(k);
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegCreateKeyExW(a, (longest + L"k").c_str(), 0, nullptr, 0, KEY_READ,
                                                     nullptr, &result, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(a));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(b));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
}

TEST(Registry, ValuesKeepTypeAndBytes) {
  ScopedRegistry store;
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Kavro");
  const BYTE binary[] = {0, 1, 0xFF, 0x7F, 0x80};
  const ULONGLONG qword = 0x1122334455667788ull;
  struct Row {
    const wchar_t* name;
    DWORD type;
    std::string bytes;
  } rows[] = {
      {L"Bin", REG_BINARY, std::string(reinterpret_cast<const char*>(binary), sizeof binary)},
      {L"Empty", REG_BINARY, ""},
      {L"None", REG_NONE, std::string("\x01\x02", 2)},
      {L"Q", REG_QWORD, std::string(reinterpret_cast<const char*>(&qword), 8)},
      {L"D", REG_DWORD, std::string("\x2a\0\0\0", 4)},
      {L"ShortDword", REG_DWORD, std::string("\x2a\0", 2)},
      {L"Odd", 0x1234, std::string("\x05", 1)},
  };
  for (const Row& row : rows)
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, row.name, 0, row.type,
                                            reinterpret_cast<const BYTE*>(row.bytes.data()),
                                            static_cast<DWORD>(row.bytes.size())));
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"software\\KAVRO", 0, KEY_READ, &key));
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.name));
    DWORD type = 0, size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, row.name, nullptr, &type, nullptr, &size));
    EXPECT_EQ(row.type, type);
    EXPECT_EQ(row.bytes.size(), size);
    std::string got(size + 4, '\xBD');
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, row.name, nullptr, &type, reinterpret_cast<BYTE*>(got.data()), &size));
    EXPECT_EQ(row.bytes, got.substr(0, size));
    EXPECT_EQ(std::string(4, '\xBD'), got.substr(size)) << "nothing written past the data";
  }
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, L"Missing", nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, nullptr))
      << "no default value set";
  BYTE small[2];
  DWORD size = 2;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key, L"Bin", nullptr, nullptr, small, &size));
  EXPECT_EQ(5u, size) << "the size needed";
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegQueryValueExW(key, L"Bin", nullptr, nullptr, small, nullptr));
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetDword(key, L"D", 1)) << "opened for reading";
  RegCloseKey(key);
}

TEST(Registry, TextSizesAreUtf16Bytes) {
  ScopedRegistry store;
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Kavro");
  // "a", U+00E9, U+1F600 (beyond the BMP: a pair, 4 bytes), zero: 10 bytes.
  const std::wstring text = L"a\u00e9\U0001F600";
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, L"T", text));
  DWORD type = 0, size = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"T", nullptr, &type, nullptr, &size));
  EXPECT_EQ(10u, size);
  // A buffer of n bytes gets at most n / 2 units: 8 bytes are too few.
  wchar_t buffer[8];
  std::wmemset(buffer, L'#', 8);
  size = 8;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key, L"T", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size));
  EXPECT_EQ(10u, size);
  EXPECT_EQ(L'#', buffer[0]) << "nothing written when it does not fit";
  size = 10;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"T", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size));
  EXPECT_EQ(text, std::wstring(buffer));
  EXPECT_EQ(L'#', buffer[4]) << "four characters written: the pair is one wchar_t";

  // The store holds UTF-16LE, byte for byte as Windows would.
  const std::string stored = kavro::test::ReadBytes(store.file("HKEY_CURRENT_USER"));
  std::u16string line = u"\"T\"=\"a\u00e9\U0001F600\"\r\n";
  std::string lineBytes;
  for (char16_t c : line) {
    lineBytes.push_back(static_cast<char>(c & 0xFF));
    lineBytes.push_back(static_cast<char>(c >> 8));
  }
  EXPECT_NE(std::string::npos, stored.find(lineBytes));

  // REG_SZ stored without its zero, with zeros inside, of an odd length.
  const std::wstring bare = L"abc";
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare.c_str()), 6));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"Odd", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare.c_str()), 3));
  const wchar_t multi[] = L"one\0two\0";
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(multi), 18));
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kavro", 0, KEY_READ, &key));
  struct Row {
    const wchar_t* name;
    DWORD size;
    std::wstring units;
  } rows[] = {{L"Bare", 6, L"abc"}, {L"Odd", 3, std::wstring(L"a") + wchar_t(L'b' & 0xFF)},
              {L"Multi", 18, std::wstring(L"one\0two\0\0", 9)}};
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.name));
    wchar_t out[16];
    std::wmemset(out, L'#', 16);
    size = sizeof out / 2;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, row.name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size));
    EXPECT_EQ(row.size, size);
    EXPECT_EQ(row.units, std::wstring(out, row.units.size()));
    EXPECT_EQ(L'#', out[row.units.size()]) << "no zero added";
  }
  RegCloseKey(key);
}

TEST(Registry, NameLimitsAndBigValues) {
  if (!kavro::test::Exists(kavro::test::KvregPath())) GTEST_SKIP() << "kvreg not built";
  ScopedRegistry store;
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Kavro");
  const std::wstring longest(16383, L'v');
  ASSERT_EQ(ERROR_SUCCESS, SetDword(key, longest.c_str(), 7));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, SetDword(key, (longest + L"v").c_str(), 7));
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(key, (longest + L"v").c_str()));
  // Several megabytes of binary data, and text of a million characters.
  std::string big(3 * 1024 * 1024 + 7, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 + (i >> 9));
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, L"Big", 0, REG_BINARY, reinterpret_cast<const BYTE*>(big.data()),
                                          static_cast<DWORD>(big.size())));
  std::wstring text(1000000, L'x');
  text[500000] = L'\u4e2d';
  ASSERT_EQ(ERROR_SUCCESS, SetText(key, L"Text", text));
  RegCloseKey(key);

  // Another process's view: the file parsed afresh by kvreg...
  auto out = kavro::test::Run({kavro::test::KvregPath(), "query", "HKCU\\Software\\Kavro", "/v", "Text"},
                              {store.env()});
  EXPECT_EQ(0, out.exitCode) << out.output;
  EXPECT_NE(std::string::npos, out.output.find("REG_SZ    xxx"));
  // ... and ours, byte for byte.
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Kavro", 0, KEY_READ, &key));
  std::string got(big.size(), '\0');
  DWORD size = static_cast<DWORD>(got.size());
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"Big", nullptr, nullptr, reinterpret_cast<BYTE*>(got.data()), &size));
  EXPECT_TRUE(got == big);
  DWORD value = 0;
  size = 4;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, std::wstring(16383, L'V').c_str(), nullptr, nullptr,
                                            reinterpret_cast<BYTE*>(&value), &size));
  EXPECT_EQ(7u, value);
  DWORD maxName = 0, maxData = 0, values = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                            &maxName, &maxData, nullptr, nullptr));
  EXPECT_EQ(3u, values);
  EXPECT_EQ(16383u, maxName);
  EXPECT_EQ(big.size(), maxData);
  RegCloseKey(key);
}

TEST(Registry, EnumerationOrderIsStable) {
  ScopedRegistry store;
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Order");
  for (const wchar_t* name : {L"b", L"A", L"c", L"\u00e9t\u00e9", L"B2"}) RegCloseKey(Create(key, name));
  for (const wchar_t* name : {L"zeta", L"Alpha", L"mid"}) SetDword(key, name, 1);
  SetDword(key, L"ALPHA", 2);  // replaces, keeps its place and first spelling
  // Subkeys sorted without regard to case (as Windows and regedit keep
  // them), values in the order they were first set.
  EXPECT_EQ((std::vector<std::wstring>{L"A", L"b", L"B2", L"c", L"\u00e9t\u00e9"}), SubkeyNames(key));
  EXPECT_EQ((std::vector<std::wstring>{L"zeta", L"Alpha", L"mid"}), ValueNames(key));

  // Buffer rules of the enumeration calls.
  wchar_t name[8];
  DWORD chars = 1;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumKeyExW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
  chars = 8;
  EXPECT_EQ(ERROR_NO_MORE_ITEMS, RegEnumKeyExW(key, 5, name, &chars, nullptr, nullptr, nullptr, nullptr));
  DWORD type = 0, size = 2;
  BYTE data[4];
  chars = 8;
  std::wmemset(name, L'#', 8);
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueW(key, 1, name, &chars, nullptr, &type, data, &size));
  EXPECT_EQ(8u, chars) << "name count untouched";
  EXPECT_EQ(4u, size) << "data size needed";
  EXPECT_EQ(L'#', name[0]);
  chars = 5;
  size = 4;
  EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueW(key, 1, name, &chars, nullptr, &type, data, &size))
      << "no room for the zero";
  chars = 6;
  ASSERT_EQ(ERROR_SUCCESS, RegEnumValueW(key, 1, name, &chars, nullptr, &type, data, &size));
  EXPECT_EQ(5u, chars);
  EXPECT_EQ(std::wstring(L"Alpha"), name);
  DWORD two;
  std::memcpy(&two, data, 4);
  EXPECT_EQ(2u, two);
  RegCloseKey(key);
}

TEST(Registry, DeletingKeys) {
  if (!kavro::test::Exists(kavro::test::KvregPath())) GTEST_SKIP() << "kvreg not built";
  ScopedRegistry store;
  HKEY key = Create(HKEY_CURRENT_USER, L"Software\\Del");
  HKEY child = Create(key, L"Child\\Grand");
  EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyW(key, nullptr));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(key, L"Child")) << "it has a subkey";
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(key, L"Nothing"));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CURRENT_USER, L"")) << "a root stays";
  ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(child, L"")) << "an empty name deletes the key itself";
  // The handle on the deleted key answers ERROR_KEY_DELETED.
  EXPECT_EQ(ERROR_KEY_DELETED, SetDword(child, L"x", 1));
  EXPECT_EQ(ERROR_KEY_DELETED, RegQueryValueExW(child, L"x", nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(child));
  // A key deleted by another process: the handle finds its key gone.
  HKEY other = Create(key, L"Other");
  auto out = kavro::test::Run({kavro::test::KvregPath(), "delete", "HKCU\\Software\\Del\\Other", "/f"}, {store.env()});
  ASSERT_EQ(0, out.exitCode) << out.output;
  EXPECT_EQ(ERROR_KEY_DELETED, SetDword(other, L"x", 1));
  wchar_t name[8];
  DWORD chars = 8;
  EXPECT_EQ(ERROR_KEY_DELETED, RegEnumKeyExW(other, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(other);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(key, L"child"));
  EXPECT_EQ(std::vector<std::wstring>{}, SubkeyNames(key));
  RegCloseKey(key);
}

TEST(Registry, AccessRightsOfTheHandle) {
  ScopedRegistry store;
  RegCloseKey(Create(HKEY_CURRENT_USER, L"Software\\Rights"));
  HKEY key;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Rights", 0, KEY_SET_VALUE, &key));
  EXPECT_EQ(ERROR_SUCCESS, SetDword(key, L"v", 1));
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryValueExW(key, L"v", nullptr, nullptr, nullptr, nullptr));
  wchar_t name[8];
  DWORD chars = 8;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegEnumKeyExW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr));
  // Creating below a handle does not look at the handle's rights (as Windows).
  HKEY sub;
  EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(key, L"Sub", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr));
  EXPECT_EQ(ERROR_ACCESS_DENIED, SetDword(sub, L"v", 1));
  RegCloseKey(sub);
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Rights", 0, GENERIC_READ, &key));
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"v", nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(key);
  static_assert(KEY_READ == 0x20019 && KEY_ALL_ACCESS == 0xF003F && (KEY_READ | KEY_WOW64_64KEY) == 0x20119 &&
                    (KEY_ALL_ACCESS | KEY_WOW64_64KEY) == 0xF013F,
                "the Win32 values");
}

TEST(Registry, ClassesRootMergesUserAndMachine) {
  ScopedRegistry store;
  HKEY machine = Create(HKEY_LOCAL_MACHINE, L"Software\\Classes\\.kv");
  SetText(machine, nullptr, L"Machine.Type");
  SetText(machine, L"Content Type", L"text/machine");
  RegCloseKey(Create(machine, L"MachineOnly"));
  HKEY user = Create(HKEY_CURRENT_USER, L"Software\\Classes\\.kv");
  SetText(user, nullptr, L"User.Type");
  RegCloseKey(Create(user, L"UserOnly"));
  RegCloseKey(machine);
  RegCloseKey(user);

  HKEY view;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, L".KV", 0, KEY_ALL_ACCESS, &view));
  wchar_t text[64];
  DWORD size = sizeof text / 2;
  ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(view, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size));
  EXPECT_EQ(std::wstring(L"User.Type"), text) << "the user's value first";
  size = sizeof text / 2;
  ASSERT_EQ(ERROR_SUCCESS,
            RegQueryValueExW(view, L"Content Type", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size));
  EXPECT_EQ(std::wstring(L"text/machine"), text) << "the machine's where the user has none";
  EXPECT_EQ((std::vector<std::wstring>{L"MachineOnly", L"UserOnly"}), SubkeyNames(view));
  // A value written through the view goes to the user's key, which exists.
  ASSERT_EQ(ERROR_SUCCESS, SetDword(view, L"Written", 1));
  RegCloseKey(view);
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\.kv", 0, KEY_READ, &user));
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(user, L"Written", nullptr, nullptr, nullptr, nullptr));
  RegCloseKey(user);
  // A new key of the view goes to the machine's classes, below a user's key
  // to the user's.
  RegCloseKey(Create(HKEY_CLASSES_ROOT, L"Kavro.Document"));
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Kavro.Document", 0, KEY_READ, &view));
  RegCloseKey(view);
  RegCloseKey(Create(HKEY_CLASSES_ROOT, L".kv\\UserOnly\\Deeper"));
  EXPECT_EQ(ERROR_SUCCESS,
            RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\.kv\\UserOnly\\Deeper", 0, KEY_READ, &view));
  RegCloseKey(view);
}

TEST(Registry, ThirtyTwoBitViewOfSoftware) {
  ScopedRegistry store;
  HKEY key = Create(HKEY_LOCAL_MACHINE, L"Software\\Vendor", KEY_ALL_ACCESS | KEY_WOW64_32KEY);
  SetDword(key, L"Bits", 32);
  RegCloseKey(key);
  HKEY found;
  EXPECT_EQ(ERROR_SUCCESS,
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\WOW6432Node\\Vendor", 0, KEY_READ, &found));
  RegCloseKey(found);
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vendor", 0, KEY_READ, &found))
      << "the default view is the 64-bit one";
  EXPECT_EQ(ERROR_FILE_NOT_FOUND,
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vendor", 0, KEY_READ | KEY_WOW64_64KEY, &found));
  EXPECT_EQ(ERROR_SUCCESS,
            RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vendor", 0, KEY_READ | KEY_WOW64_32KEY, &found));
  RegCloseKey(found);
  EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Vendor", KEY_WOW64_32KEY, 0));
  // The user's keys are the same in both views.
  RegCloseKey(Create(HKEY_CURRENT_USER, L"Software\\Shared", KEY_ALL_ACCESS | KEY_WOW64_32KEY));
  EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Shared", 0, KEY_READ, &found));
  RegCloseKey(found);
}

}  // namespace
