// The XML DOM: creating documents through COM, building and querying trees,
// node objects that outlive their place in the tree, failures raised as
// _com_error, and files saved in their declared encoding that xmllint reads.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "support/test_support.h"

namespace kavro::test {
namespace {

std::wstring W(const _bstr_t& text) { return text.length() ? std::wstring(static_cast<const wchar_t*>(text)) : L""; }

IXMLDOMDocumentPtr NewDocument() {
  IXMLDOMDocumentPtr doc;
  EXPECT_EQ(doc.CreateInstance(L"Msxml2.DOMDocument.3.0"), S_OK);
  return doc;
}

TEST(XmlDom, ClassesAndApartments) {
  for (const wchar_t* progId : {L"Msxml2.DOMDocument.3.0", L"msxml2.domdocument", L"Microsoft.XMLDOM",
                                L"{F5078F32-C551-11D3-89B9-0000F81FE221}"}) {
    IXMLDOMDocumentPtr doc;
    EXPECT_EQ(doc.CreateInstance(progId), S_OK) << progId;
    EXPECT_TRUE(doc);
  }
  IXMLDOMDocumentPtr unknown;
  EXPECT_EQ(unknown.CreateInstance(L"Nothing.Here"), CO_E_CLASSSTRING);
  // Asking a document for an element interface gives nothing.
  IXMLDOMDocumentPtr doc = NewDocument();
  IXMLDOMElementPtr notElement = doc;
  EXPECT_FALSE(notElement);

  // The main thread is in an apartment; another thread must enter one.
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  CoUninitialize();
  HRESULT before = S_OK, first = S_OK, again = S_OK, other = S_OK, created = S_OK;
  std::thread worker([&] {
    IXMLDOMDocumentPtr d;
    before = d.CreateInstance(CLSID_DOMDocument30);
    first = CoInitialize(nullptr);
    again = CoInitialize(nullptr);
    other = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    created = d.CreateInstance(CLSID_DOMDocument30);
    d = nullptr;
    CoUninitialize();
    CoUninitialize();
  });
  worker.join();
  EXPECT_EQ(before, CO_E_NOTINITIALIZED);
  EXPECT_EQ(first, S_OK);
  EXPECT_EQ(again, S_FALSE);
  EXPECT_EQ(other, RPC_E_CHANGED_MODE);
  EXPECT_EQ(created, S_OK);
}

TEST(XmlDom, BuildsQueriesAndEditsATree) {
  IXMLDOMDocumentPtr doc = NewDocument();
  ASSERT_EQ(doc->loadXML(L"<?xml version=\"1.0\"?>\n<root>\n  <Draw>\n    <Line><Color>red</Color></Line>\n  </Draw>\n"
                         L"  <!-- note -->\n</root>"),
            VARIANT_TRUE);
  IXMLDOMElementPtr root = doc->GetdocumentElement();
  ASSERT_TRUE(root);
  EXPECT_EQ(W(root->GetnodeName()), L"root");

  // Layout whitespace is not shown as nodes; the comment is.
  IXMLDOMNodeListPtr children = root->GetchildNodes();
  ASSERT_EQ(children->Getlength(), 2);
  EXPECT_EQ(W(children->Getitem(0)->GetnodeName()), L"Draw");
  EXPECT_EQ(W(children->Getitem(1)->GetnodeName()), L"#comment");
  EXPECT_EQ(W(children->Getitem(1)->Gettext()), L" note ");
  EXPECT_FALSE(children->Getitem(2));

  IXMLDOMNodePtr color = doc->selectSingleNode(L"//Line/Color");
  ASSERT_TRUE(color);
  EXPECT_EQ(W(color->Gettext()), L"red");
  EXPECT_EQ(W(root->Gettext()), L"red");  // layout and comments are not text
  EXPECT_FALSE(doc->selectSingleNode(L"//Missing"));
  EXPECT_EQ(doc->selectNodes(L"//*")->Getlength(), 4);

  // Relative queries, new elements, text and attributes.
  IXMLDOMNodePtr draw = root->selectSingleNode(L"Draw");
  ASSERT_TRUE(draw);
  IXMLDOMElementPtr width = doc->createElement(L"Width");
  draw->appendChild(width);
  width->Puttext(L"a<b & \"c\" 'd' >");
  EXPECT_EQ(width->setAttribute(L"unit", L"mm"), S_OK);
  EXPECT_EQ(W((_bstr_t)width->getAttribute(L"unit")), L"mm");
  EXPECT_EQ(width->getAttribute(L"missing").vt, VT_NULL);
  EXPECT_EQ(W(width->Getxml()), L"<Width unit=\"mm\">a&lt;b &amp; \"c\" 'd' &gt;</Width>");
  EXPECT_EQ(W(doc->selectSingleNode(L"/root/Draw/Width")->Gettext()), L"a<b & \"c\" 'd' >");
  EXPECT_EQ(W(width->GetparentNode()->GetnodeName()), L"Draw");
  EXPECT_EQ(W(width->GetownerDocument()->GetdocumentElement()->GetnodeName()), L"root");

  // Setting an element's text replaces its children; a node object taken
  // before still works, detached, and can be added again.
  IXMLDOMNodePtr line = draw->selectSingleNode(L"Line");
  IXMLDOMNodePtr oldColor = line->selectSingleNode(L"Color");
  line->Puttext(L"plain");
  EXPECT_EQ(W(line->Gettext()), L"plain");
  EXPECT_EQ(W(oldColor->Gettext()), L"red");
  EXPECT_FALSE(oldColor->GetparentNode());
  draw->appendChild(oldColor);
  EXPECT_EQ(W(doc->selectSingleNode(L"/root/Draw/Color")->Gettext()), L"red");

  // removeChild keeps the node usable; the attribute map reads attributes.
  IXMLDOMNodePtr removed = draw->removeChild(width);
  EXPECT_FALSE(doc->selectSingleNode(L"//Width"));
  EXPECT_EQ(W(removed->Gettext()), L"a<b & \"c\" 'd' >");
  EXPECT_EQ(removed->Getattributes()->Getlength(), 1);
  EXPECT_EQ(W(removed->Getattributes()->getNamedItem(L"unit")->Gettext()), L"mm");
  root->appendChild(removed);
  EXPECT_TRUE(doc->selectSingleNode(L"/root/Width[@unit='mm']"));
  IXMLDOMElementPtr(removed)->removeAttribute(L"unit");
  EXPECT_EQ(IXMLDOMElementPtr(removed)->getAttribute(L"unit").vt, VT_NULL);
}

TEST(XmlDom, FailuresRaiseComErrors) {
  IXMLDOMDocumentPtr doc = NewDocument();
  ASSERT_EQ(doc->loadXML(L"<root><a/></root>"), VARIANT_TRUE);
  struct Case {
    const char* what;
    std::function<void()> call;
    HRESULT expected;
  };
  IXMLDOMNodePtr none;
  const Case cases[] = {
      {"invalid query", [&] { doc->selectSingleNode(L"a["); }, E_FAIL},
      {"query piece starting with a digit", [&] { doc->selectSingleNode(L"//1abc"); }, E_FAIL},
      {"query that gives no node", [&] { doc->selectSingleNode(L"count(//a)"); }, E_FAIL},
      {"empty query", [&] { doc->selectNodes(L""); }, E_FAIL},
      {"element name with a space", [&] { doc->createElement(L"my key"); }, E_FAIL},
      {"attribute name starting with a digit",
       [&] { doc->GetdocumentElement()->setAttribute(L"1x", L"v"); }, E_FAIL},
      {"call through a null pointer", [&] { none->Gettext(); }, E_POINTER},
      {"a parent under its child",
       [&] { doc->selectSingleNode(L"//a")->appendChild(doc->GetdocumentElement()); }, E_FAIL},
      {"a second document element", [&] { doc->appendChild(doc->createElement(L"other")); }, E_FAIL},
      {"removing a node that is not a child", [&] { doc->removeChild(doc->selectSingleNode(L"//a")); },
       E_INVALIDARG},
  };
  for (const Case& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const _com_error& e) {
      EXPECT_EQ(e.Error(), c.expected) << c.what;
      if (c.expected != E_POINTER) {
        EXPECT_GT(e.Description().length(), 0u) << c.what;
      }
      EXPECT_NE(std::wstring(e.ErrorMessage()), L"") << c.what;
    }
  }
  // The document is as it was.
  EXPECT_EQ(W(doc->Getxml()), L"<root><a/></root>");
}

// Saved files: the declared encoding, untouched parts kept, read by
// xmllint and by a fresh document.
struct EncodingCase {
  const char* name;
  std::string fileBytes;     // the file as written by hand
  std::string expectedHead;  // the saved file starts with these bytes
  std::string encodedText;   // the saved file holds the text in this form
};

std::string Utf16Le(const std::u16string& text, bool mark) {
  std::string out = mark ? std::string("\xFF\xFE", 2) : std::string();
  for (char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

TEST(XmlDom, SavesInTheDeclaredEncodingAndKeepsUntouchedParts) {
  // "中文" in UTF-8 and GB2312; the body holds a comment, a processing
  // instruction, CDATA, the five escaped characters and an untouched element.
  const std::string body =
      "<!-- settings, \xE4\xB8\xAD\xE6\x96\x87 -->\n<?app keep=\"1\"?>\n<xmlRoot>\n"
      "  <Keep a=\"&lt;&amp;&quot;\">&lt;&gt;&amp;&apos;&quot; \xE4\xB8\xAD\xE6\x96\x87</Keep>\n"
      "  <Raw><![CDATA[<not markup>]]></Raw>\n  <Change>old</Change>\n</xmlRoot>\n";
  std::string gbBody = body;
  for (size_t at; (at = gbBody.find("\xE4\xB8\xAD\xE6\x96\x87")) != std::string::npos;)
    gbBody.replace(at, 6, "\xD6\xD0\xCE\xC4");
  const std::u16string utf16 =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<xmlRoot>\n  <Keep>\u4E2D\u6587 &amp;</Keep>\n  "
      u"<Change>old</Change>\n</xmlRoot>\n";
  const EncodingCase cases[] = {
      {"no declaration", body, "<!--", "\xE4\xB8\xAD\xE6\x96\x87"},
      {"no encoding named", "<?xml version=\"1.0\"?>\n" + body, "<?xml version=\"1.0\"?>\n",
       "\xE4\xB8\xAD\xE6\x96\x87"},
      {"UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body,
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", "\xE4\xB8\xAD\xE6\x96\x87"},
      {"GB2312", "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n" + gbBody,
       "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n", "\xD6\xD0\xCE\xC4"},
      {"UTF-16", Utf16Le(utf16, true), std::string("\xFF\xFE<\0?\0x\0m\0l\0", 12), std::string("\x2D\x4E\x87\x65", 4)},
  };
  for (const EncodingCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteBytes(dir.Sub("in.xml"), c.fileBytes);
    IXMLDOMDocumentPtr doc = NewDocument();
    ASSERT_EQ(doc->load(dir.Win("in.xml").GetString()), VARIANT_TRUE) << Utf8(CString((const wchar_t*)doc->GetparseError()->Getreason()));
    IXMLDOMNodePtr keep = doc->selectSingleNode(L"//Keep");
    const std::wstring keepXml = W(keep->Getxml());

    // Unchanged, the file comes back byte for byte, except that text needs
    // no references for quotes: &apos; and &quot; come back as ' and ".
    ASSERT_EQ(doc->save(dir.Win("same.xml").GetString()), S_OK);
    std::string same = c.fileBytes;
    if (const size_t at = same.find("&apos;&quot;"); at != std::string::npos) same.replace(at, 12, "'\"");
    EXPECT_EQ(ReadBytes(dir.Sub("same.xml")), same);

    doc->selectSingleNode(L"//Change")->Puttext(L"new \u00E9");
    ASSERT_EQ(doc->save(dir.Win("out.xml").GetString()), S_OK);
    const std::string saved = ReadBytes(dir.Sub("out.xml"));
    EXPECT_EQ(saved.compare(0, c.expectedHead.size(), c.expectedHead), 0) << saved;
    EXPECT_NE(saved.find(c.encodedText), std::string::npos) << saved;

    ProcessResult lint = kavro::test::Run({"/usr/bin/xmllint", "--noout", dir.Sub("out.xml")});
    EXPECT_EQ(lint.exitCode, 0) << lint.output;
    ProcessResult value = kavro::test::Run({"/usr/bin/xmllint", "--xpath", "string(//Change)", dir.Sub("out.xml")});
    EXPECT_EQ(value.output, "new \xC3\xA9\n") << value.output;

    IXMLDOMDocumentPtr again = NewDocument();
    ASSERT_EQ(again->load(dir.Win("out.xml").GetString()), VARIANT_TRUE);
    EXPECT_EQ(W(again->selectSingleNode(L"//Keep")->Getxml()), keepXml);
    EXPECT_EQ(W(again->selectSingleNode(L"//Change")->Gettext()), L"new \u00E9");
    if (c.fileBytes.find("<!--") != std::string::npos) {
      EXPECT_EQ(W(again->selectSingleNode(L"/comment()")->Gettext()), L" settings, \u4E2D\u6587 ");
      EXPECT_EQ(W(again->selectSingleNode(L"//Keep")->Gettext()), L"<>&'\" \u4E2D\u6587");
      EXPECT_EQ(W(again->selectSingleNode(L"//Raw")->Gettext()), L"<not markup>");
      EXPECT_TRUE(again->selectSingleNode(L"/processing-instruction('app')"));
    }
  }
}

TEST(XmlDom, SaveReplacesTheFileWhole) {
  TempDir dir;
  IXMLDOMDocumentPtr doc = NewDocument();
  ASSERT_EQ(doc->loadXML(L"<?xml version=\"1.0\" ?><xmlRoot></xmlRoot>"), VARIANT_TRUE);
  WriteBytes(dir.Sub("s.xml"), "old content");
  struct stat before {}, after {};
  ASSERT_EQ(stat(dir.Sub("s.xml").c_str(), &before), 0);
  ASSERT_EQ(doc->save(dir.Win("s.xml").GetString()), S_OK);
  ASSERT_EQ(stat(dir.Sub("s.xml").c_str(), &after), 0);
  EXPECT_NE(before.st_ino, after.st_ino);  // a new file renamed into place
  EXPECT_EQ(ReadBytes(dir.Sub("s.xml")), "<?xml version=\"1.0\"?>\n<xmlRoot/>\n");

  // A folder that does not exist: the Win32 error as an HRESULT, nothing written.
  try {
    doc->save(dir.Win("missing\\s.xml").GetString());
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const _com_error& e) {
    EXPECT_EQ(e.Error(), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  }
  EXPECT_FALSE(Exists(dir.Sub("missing")));
  // Text the declared encoding cannot hold in a comment fails cleanly.
  ASSERT_EQ(doc->loadXML(L"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r><!--\u4E2D--></r>"), VARIANT_TRUE);
  EXPECT_THROW(doc->save(dir.Win("s.xml").GetString()), _com_error);
  EXPECT_EQ(ReadBytes(dir.Sub("s.xml")), "<?xml version=\"1.0\"?>\n<xmlRoot/>\n");
}

}  // namespace
}  // namespace kavro::test
