// CXMLFile: the documented edge cases, the decided mends (spaces in reads,
// GetKeysValue's texts, attribute defaults, atomic save), typed values in a
// decimal-comma locale, lists, copies sharing one document, and section
// pieces that are not valid names or queries.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace kavro::test {
namespace {

TEST(XmlFile, NewFileSavesAsDeclarationAndEmptyRoot) {
  TempDir dir;
  CXMLFile xml(dir.Win("new.xml"));
  EXPECT_FALSE(Exists(dir.Sub("new.xml")));  // nothing written before save
  EXPECT_EQ(xml.GetSaveFilePath(), dir.Win("new.xml"));
  ASSERT_TRUE(xml.save(L""));
  EXPECT_EQ(ReadBytes(dir.Sub("new.xml")), "<?xml version=\"1.0\"?>\n<xmlRoot/>\n");
  ProcessResult lint = kavro::test::Run({"/usr/bin/xmllint", "--noout", dir.Sub("new.xml")});
  EXPECT_EQ(lint.exitCode, 0) << lint.output;

  // A custom root name; load on a loaded object changes nothing.
  CXMLFile custom;
  EXPECT_EQ(custom.load(dir.Win("custom.xml"), L"Settings"), 2);
  EXPECT_EQ(custom.load(dir.Win("other.xml"), L"Other"), 0);
  EXPECT_EQ(custom.GetSaveFilePath(), dir.Win("custom.xml"));
  IXMLDOMElementPtr root;
  EXPECT_EQ(custom.GetRootElem(root), S_OK);
  EXPECT_EQ(std::wstring(root->GetnodeName()), L"Settings");
  EXPECT_EQ(custom.load(dir.Win("x.xml"), L"Other"), 0);
  CXMLFile none;
  EXPECT_FALSE(none.save(dir.Win("none.xml")));
  EXPECT_FALSE(Exists(dir.Sub("none.xml")));
}

TEST(XmlFile, WritesWalkFromTheRootAndReadsSearchTheDocument) {
  TempDir dir;
  CXMLFile xml(dir.Win("s.xml"));
  EXPECT_EQ(xml.SetString(L"Draw/Line", L"Color", L"red"), 0);
  EXPECT_EQ(xml.GetString(L"Draw/Line", L"Color", L"x"), L"red");
  EXPECT_EQ(xml.GetString(L"Draw", L"Missing", L"x"), L"x");
  EXPECT_EQ(xml.GetString(L"Line", L"Color", L"x"), L"red");     // found anywhere
  EXPECT_EQ(xml.GetString(L"Draw/", L"Line/Color", L"x"), L"red");  // trailing "/" kept as separator

  // An empty value creates a missing element but keeps an existing text.
  EXPECT_EQ(xml.SetString(L"Draw/Line", L"Color", L""), 0);
  EXPECT_EQ(xml.GetString(L"Draw/Line", L"Color", L"x"), L"red");
  EXPECT_EQ(xml.SetString(L"Draw/Line", L"Style", L""), 0);
  EXPECT_EQ(xml.GetString(L"Draw/Line", L"Style", L"x"), L"");  // found, empty

  // Spaces become "_" in writes and reads alike.
  EXPECT_EQ(xml.SetString(L"My Section", L"My Key", L"spaced"), 0);
  EXPECT_EQ(xml.GetString(L"My Section", L"My Key", L"x"), L"spaced");
  IXMLDOMNodePtr node;
  EXPECT_EQ(xml.GetNode(L"My_Section/My_Key", node), 0);
  EXPECT_EQ(CXMLFile::GetNodeValue(node), CString(L"spaced"));

  // An empty section is the root element itself.
  EXPECT_EQ(xml.SetString(L"", L"Top", L"t"), 0);
  EXPECT_EQ(xml.GetString(L"", L"Top", L"x"), L"t");

  ASSERT_TRUE(xml.save());
  EXPECT_EQ(ReadBytes(dir.Sub("s.xml")),
            "<?xml version=\"1.0\"?>\n<xmlRoot><Draw><Line><Color>red</Color><Style/></Line></Draw>"
            "<My_Section><My_Key>spaced</My_Key></My_Section><Top>t</Top></xmlRoot>\n");

  // DeleteSetting answers -1 whether it removed something or not.
  EXPECT_EQ(xml.DeleteSetting(L"Draw/Line", L"Color"), -1);
  EXPECT_EQ(xml.GetString(L"Draw/Line", L"Color", L"gone"), L"gone");
  EXPECT_EQ(xml.DeleteSetting(L"Draw/Line", L"Color"), -1);
  EXPECT_EQ(xml.DeleteSetting(L"Draw", L""), -1);  // the section with all below it
  EXPECT_EQ(xml.GetString(L"Draw/Line", L"Style", L"gone"), L"gone");
  EXPECT_EQ(xml.DeleteSetting(L"", L"Top"), -1);
  EXPECT_EQ(xml.GetString(L"", L"Top", L"gone"), L"gone");
}

TEST(XmlFile, AttributesAndTheirDefaults) {
  TempDir dir;
  CXMLFile xml(dir.Win("a.xml"));
  EXPECT_EQ(xml.SetAttribute(L"Draw", L"Line", L"unit", L"mm"), 0);
  EXPECT_EQ(xml.GetAttribute(L"Draw", L"Line", L"unit", L"cm"), L"mm");
  EXPECT_EQ(xml.GetAttribute(L"Draw", L"Line", L"scale", L"1"), L"1");  // element without it
  EXPECT_EQ(xml.GetAttribute(L"Draw", L"Nothing", L"unit", L"cm"), L"");  // no element

  std::wstring text, attr = L"untouched";
  EXPECT_EQ(xml.GetNodeValue(L"Draw", L"Nothing", L"def", text, L"unit", L"cm", attr), -1);
  EXPECT_EQ(text, L"def");
  EXPECT_EQ(attr, L"untouched");
  EXPECT_EQ(xml.SetNodeValue(L"Draw", L"Line", L"thin", L"unit", L"in"), 0);
  EXPECT_EQ(xml.GetNodeValue(L"Draw", L"Line", L"def", text, L"weight", L"0.25", attr), 0);
  EXPECT_EQ(text, L"thin");
  EXPECT_EQ(attr, L"0.25");
  IXMLDOMNodePtr line;
  ASSERT_EQ(xml.GetNode(L"Draw/Line", line), 0);
  EXPECT_EQ(CXMLFile::GetAttributes(line, L"unit"), CString(L"in"));
  EXPECT_EQ(CXMLFile::GetAttributes(line, L"weight"), CString(L""));
}

TEST(XmlFile, NumbersUseTheCLocale) {
  ScopedLocale german(LC_ALL, {"de_DE.UTF-8", "de_DE.utf8"});
  if (!german.ok()) GTEST_SKIP() << german.Missing();
  TempDir dir;
  CXMLFile xml(dir.Win("n.xml"));
  EXPECT_EQ(xml.SetData(L"N", L"Half", 0.5), TRUE);
  EXPECT_EQ(xml.SetLong(L"N", L"Minus", -3), 0);
  EXPECT_EQ(xml.SetData(L"N", L"Int", 42), TRUE);
  EXPECT_EQ(xml.GetString(L"N", L"Half", L""), L"0.500000");
  EXPECT_EQ(xml.GetString(L"N", L"Minus", L""), L"-3");
  EXPECT_DOUBLE_EQ(xml.GetData(L"N", L"Half", 9.0), 0.5);
  EXPECT_DOUBLE_EQ(xml.GetData(L"N", L"MissingD", 2.25), 2.25);
  EXPECT_EQ(xml.GetLong(L"N", L"Minus", 0), -3);
  EXPECT_EQ(xml.GetData(L"N", L"Int", 0), 42);
  EXPECT_EQ(xml.GetData(L"N", L"MissingI", -7), -7);
  int value = 0;
  EXPECT_EQ(xml.GetData(L"N", L"Int", 0, value), TRUE);
  EXPECT_EQ(value, 42);
  CString text;
  EXPECT_EQ(xml.GetData(L"N", L"Missing", CString(L"d"), text), TRUE);
  EXPECT_EQ(text, CString(L"d"));
}

TEST(XmlFile, ListsKeysAndValues) {
  TempDir dir;
  CXMLFile xml(dir.Win("l.xml"));
  CStringArray items;
  items.Add(L"A");
  items.Add(L"B");
  xml.SaveAllDataToXML(items, L"S", L"L");
  EXPECT_EQ(xml.GetString(L"S", L"LnCount", L""), L"2");
  EXPECT_EQ(xml.GetString(L"S", L"LItem0", L""), L"A");
  EXPECT_EQ(xml.GetString(L"S", L"LItem1", L""), L"B");
  CStringArray back;
  back.Add(L"stale");
  xml.LoadAllDataToXML(back, L"S", L"L");
  ASSERT_EQ(back.GetSize(), 2);
  EXPECT_EQ(back[0], CString(L"A"));
  EXPECT_EQ(back[1], CString(L"B"));

  // A shorter list leaves the old items beyond it; an empty item keeps its old text.
  CStringArray shorter;
  shorter.Add(L"");
  xml.SaveAllDataToXML(shorter, L"S", L"L");
  xml.LoadAllDataToXML(back, L"S", L"L");
  ASSERT_EQ(back.GetSize(), 1);
  EXPECT_EQ(back[0], CString(L"A"));
  EXPECT_EQ(xml.GetString(L"S", L"LItem1", L""), L"B");

  std::vector<std::wstring> keys;
  EXPECT_EQ(xml.GetKeys(L"S", keys), 0);
  EXPECT_EQ(keys, (std::vector<std::wstring>{L"LnCount", L"LItem0", L"LItem1"}));
  CStringArray values;
  EXPECT_EQ(xml.GetKeysValue(L"S", values), 0);
  ASSERT_EQ(values.GetSize(), 3);
  EXPECT_EQ(values[0], CString(L"1"));
  EXPECT_EQ(values[1], CString(L"A"));
  EXPECT_EQ(values[2], CString(L"B"));
  keys.clear();
  EXPECT_EQ(xml.GetKeys(L"", keys), 0);  // the root's children
  EXPECT_EQ(keys, std::vector<std::wstring>{L"S"});
  EXPECT_THROW(xml.GetKeys(L"No/Such", keys), _com_error);

  CXMLFile empty;
  EXPECT_EQ(empty.GetKeys(L"S", keys), -1);
  EXPECT_EQ(empty.GetKeysValue(L"S", values), -1);
}

TEST(XmlFile, ParseKeysAndFindNode) {
  CXMLFile xml;
  int count = 0;
  struct Case {
    const wchar_t* path;
    std::vector<std::wstring> names;
  };
  const Case cases[] = {
      {L"A/B C/D", {L"A", L"B_C", L"D"}},
      {L"A/B/", {L"A", L"B"}},
      {L"/A", {L"", L"A"}},
      {L"A//B", {L"A", L"", L"B"}},
      {L"", {L""}},
  };
  for (const Case& c : cases) {
    std::wstring* names = xml.ParseKeys(c.path, count);
    EXPECT_EQ(std::vector<std::wstring>(names, names + count), c.names) << c.path;
    delete[] names;
  }
  TempDir dir;
  ASSERT_EQ(xml.load(dir.Win("f.xml"), L"R"), 2);
  IXMLDOMElementPtr root;
  xml.GetRootElem(root);
  std::wstring path[] = {L"A", L"B"};
  EXPECT_FALSE(xml.FindNode(IXMLDOMNodePtr(root), path, 2, false));
  IXMLDOMNodePtr made = xml.FindNode(IXMLDOMNodePtr(root), path, 2, true);
  ASSERT_TRUE(made);
  EXPECT_EQ(std::wstring(made->GetnodeName()), L"B");
  EXPECT_EQ(xml.FindNode(IXMLDOMNodePtr(root), path, 0, false), IXMLDOMNodePtr(root));
}

TEST(XmlFile, InvalidPiecesAndMissingDocumentsRaiseComErrors) {
  TempDir dir;
  CXMLFile xml(dir.Win("e.xml"));
  const std::pair<const wchar_t*, const wchar_t*> pieces[] = {
      {L"1abc", L"K"}, {L"Draw", L"a["}, {L"Dr@w", L"K"}, {L"A//B", L"K"}};
  for (const auto& [section, key] : pieces) {
    try {
      xml.SetString(section, key, L"v");
      ADD_FAILURE() << "accepted " << Utf8(CString(section)) << " / " << Utf8(CString(key));
    } catch (const _com_error& e) {
      EXPECT_EQ(e.Error(), E_FAIL);
      EXPECT_GT(e.Description().length(), 0u);
    }
  }
  EXPECT_THROW(xml.GetString(L"a[", L"K", L"d"), _com_error);
  ASSERT_TRUE(xml.save());
  EXPECT_EQ(ReadBytes(dir.Sub("e.xml")), "<?xml version=\"1.0\"?>\n<xmlRoot/>\n");

  CXMLFile none;
  EXPECT_EQ(none.SetString(L"A", L"B", L"v"), -2);
  try {
    none.GetString(L"A", L"B", L"d");
    ADD_FAILURE() << "read without a document";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), E_POINTER);
  }
  EXPECT_THROW(none.DeleteSetting(L"A", L"B"), _com_error);
}

TEST(XmlFile, UnparsableFileIsNeverOverwrittenByWrites) {
  TempDir dir;
  WriteBytes(dir.Sub("bad.xml"), "<xmlRoot><A>");
  CXMLFile xml;
  EXPECT_EQ(xml.load(dir.Win("bad.xml"), L"xmlRoot"), 1);
  EXPECT_EQ(xml.SetString(L"A", L"B", L"v"), 0);  // nothing written: no root element
  EXPECT_EQ(xml.GetString(L"A", L"B", L"d"), L"d");
  EXPECT_EQ(ReadBytes(dir.Sub("bad.xml")), "<xmlRoot><A>");
}

TEST(XmlFile, CopiesShareTheDocumentAndDiscardAndClearDropIt) {
  TempDir dir;
  WriteBytes(dir.Sub("c.xml"), "<?xml version=\"1.0\"?>\n<!-- kept -->\n<xmlRoot>\n  <A>1</A>\n</xmlRoot>\n");
  CXMLFile first(dir.Win("c.xml"));
  CXMLFile second(first);
  second.SetString(L"", L"A", L"2");
  EXPECT_EQ(first.GetString(L"", L"A", L""), L"2");
  CXMLFile third;
  third = first;
  EXPECT_EQ(third.GetString(L"", L"A", L""), L"2");

  first.DiscardChanges();
  EXPECT_EQ(first.load(dir.Win("c.xml"), L"xmlRoot"), 2);
  EXPECT_EQ(first.GetString(L"", L"A", L""), L"1");
  EXPECT_EQ(second.GetString(L"", L"A", L""), L"2");  // still the old shared document

  ASSERT_TRUE(second.save(L""));
  EXPECT_EQ(ReadBytes(dir.Sub("c.xml")), "<?xml version=\"1.0\"?>\n<!-- kept -->\n<xmlRoot>\n  <A>2</A>\n</xmlRoot>\n");
  // Saving elsewhere moves the stored path.
  ASSERT_TRUE(second.save(dir.Win("moved.xml")));
  EXPECT_EQ(second.GetSaveFilePath(), dir.Win("moved.xml"));

  second.clear();
  EXPECT_FALSE(Exists(dir.Sub("moved.xml")));
  EXPECT_EQ(second.GetString(L"", L"A", L"none"), L"none");
  ASSERT_TRUE(second.save());
  EXPECT_EQ(ReadBytes(dir.Sub("moved.xml")), "<?xml version=\"1.0\"?>\n<xmlRoot/>\n");
}

}  // namespace
}  // namespace kavro::test
