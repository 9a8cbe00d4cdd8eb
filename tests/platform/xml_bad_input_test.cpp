// Hostile and broken XML: DTDs and entities that must not reach outside the
// document (files, the network), entity expansion bombs, and files that are
// truncated, empty or not XML at all.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace kavro::test {
namespace {

std::wstring W(const _bstr_t& text) { return text.length() ? std::wstring(static_cast<const wchar_t*>(text)) : L""; }

IXMLDOMDocumentPtr NewDocument() {
  IXMLDOMDocumentPtr doc;
  EXPECT_EQ(doc.CreateInstance(CLSID_DOMDocument30), S_OK);
  return doc;
}

// A listening socket on 127.0.0.1 that tells whether anyone connected.
class Listener {
 public:
  Listener() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(fd_, 4);
    socklen_t length = sizeof address;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
  }
  ~Listener() { close(fd_); }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  bool Contacted() const {
    int client = accept(fd_, nullptr, nullptr);
    if (client >= 0) close(client);
    return client >= 0;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
};

TEST(XmlBadInput, EntitiesAndDtdsNeverReachOutside) {
  TempDir dir;
  WriteBytes(dir.Sub("secret.txt"), "TOP-SECRET");
  Listener server;
  const std::string secret = dir.Sub("secret.txt");
  const std::string docs[] = {
      // External parsed entity from a file and from the network.
      "<!DOCTYPE r [<!ENTITY s SYSTEM \"file://" + secret + "\">]><r><v>a&s;b</v></r>",
      "<!DOCTYPE r [<!ENTITY s SYSTEM \"" + secret + "\">]><r><v>a&s;b</v></r>",
      "<!DOCTYPE r [<!ENTITY s SYSTEM \"" + server.Url("/entity") + "\">]><r><v>a&s;b</v></r>",
      // External DTD subset and parameter entities.
      "<!DOCTYPE r SYSTEM \"" + server.Url("/dtd") + "\"><r><v>ab</v></r>",
      "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + secret + "\"> %p;]><r><v>ab</v></r>",
      "<!DOCTYPE r [<!ENTITY % p SYSTEM \"" + server.Url("/param") + "\"> %p;]><r><v>ab</v></r>",
  };
  for (const std::string& text : docs) {
    SCOPED_TRACE(text);
    WriteBytes(dir.Sub("in.xml"), text);
    IXMLDOMDocumentPtr doc = NewDocument();
    if (doc->load(dir.Win("in.xml").GetString()) == VARIANT_TRUE) {
      EXPECT_EQ(W(doc->selectSingleNode(L"//v")->Gettext()), L"ab");
      ASSERT_EQ(doc->save(dir.Win("out.xml").GetString()), S_OK);
      EXPECT_EQ(ReadBytes(dir.Sub("out.xml")).find("TOP-SECRET"), std::string::npos);
    }
    EXPECT_EQ(W(doc->Getxml()).find(L"TOP-SECRET"), std::wstring::npos);
    EXPECT_FALSE(server.Contacted());
  }
}

TEST(XmlBadInput, InternalEntitiesExpandAndSurviveASave) {
  TempDir dir;
  const std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY e \"hello\">\n]>\n<r>x&e;y</r>\n";
  WriteBytes(dir.Sub("in.xml"), text);
  IXMLDOMDocumentPtr doc = NewDocument();
  ASSERT_EQ(doc->load(dir.Win("in.xml").GetString()), VARIANT_TRUE);
  EXPECT_EQ(W(doc->GetdocumentElement()->Gettext()), L"xhelloy");
  ASSERT_EQ(doc->save(dir.Win("out.xml").GetString()), S_OK);
  EXPECT_EQ(ReadBytes(dir.Sub("out.xml")), text);
}

std::string Laughs(int levels, int fanout) {
  std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol0 \"lol\">\n";
  for (int i = 1; i <= levels; ++i) {
    text += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int j = 0; j < fanout; ++j) text += "&lol" + std::to_string(i - 1) + ";";
    text += "\">\n";
  }
  return text + "]>\n<lolz>&lol" + std::to_string(levels) + ";</lolz>\n";
}

TEST(XmlBadInput, ExpansionBombsAreRefused) {
  // 10^9 and 16^8 copies, and a quadratic blow-up of one large entity.
  const std::string bigValue(100000, 'x');
  std::string quadratic = "<!DOCTYPE r [<!ENTITY big \"" + bigValue + "\">]><r>";
  for (int i = 0; i < 20000; ++i) quadratic += "&big;";
  quadratic += "</r>";
  for (const std::string& text : {Laughs(9, 10), Laughs(8, 16), quadratic}) {
    TempDir dir;
    WriteBytes(dir.Sub("bomb.xml"), text);
    IXMLDOMDocumentPtr doc = NewDocument();
    EXPECT_EQ(doc->load(dir.Win("bomb.xml").GetString()), VARIANT_FALSE);
    IXMLDOMParseErrorPtr error = doc->GetparseError();
    EXPECT_EQ(error->GeterrorCode(), E_FAIL);
    EXPECT_GT(error->Getreason().length(), 0u);
    EXPECT_FALSE(doc->GetdocumentElement());
  }
}

TEST(XmlBadInput, BrokenFilesGiveAParseErrorAndAnEmptyDocument) {
  struct Case {
    const char* what;
    std::string bytes;
    LONG line;  // 0: not checked
  };
  const Case cases[] = {
      {"truncated", "<?xml version=\"1.0\"?>\n<root>\n  <a>text</a>\n  <b>te", 4},
      {"unclosed tag", "<root><a></root>", 1},
      {"empty file", "", 0},
      {"only a declaration", "<?xml version=\"1.0\"?>", 0},
      {"not XML", "[Section]\r\nKey=Value\r\n", 1},
      {"binary", std::string("\x00\x01\x02\xFF\xFE\x00zz", 8), 0},
      {"two roots", "<a/><b/>", 1},
      {"bad UTF-8", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>\xC3\x28</r>", 1},
      {"unknown encoding", "<?xml version=\"1.0\" encoding=\"no-such-code\"?><r/>", 0},
      {"undefined entity", "<r>&nothing;</r>", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    WriteBytes(dir.Sub("bad.xml"), c.bytes);
    IXMLDOMDocumentPtr doc = NewDocument();
    ASSERT_EQ(doc->loadXML(L"<old/>"), VARIANT_TRUE);
    EXPECT_EQ(doc->load(dir.Win("bad.xml").GetString()), VARIANT_FALSE);
    IXMLDOMParseErrorPtr error = doc->GetparseError();
    EXPECT_EQ(error->GeterrorCode(), E_FAIL);
    EXPECT_GT(error->Getreason().length(), 0u);
    if (c.line) {
      EXPECT_EQ(error->Getline(), c.line);
    }
    EXPECT_FALSE(doc->GetdocumentElement());  // the old document is gone
  }
  IXMLDOMDocumentPtr doc = NewDocument();
  EXPECT_EQ(doc->load(L"Z:\\no\\such\\file.xml"), VARIANT_FALSE);
  EXPECT_EQ(doc->GetparseError()->GeterrorCode(), static_cast<LONG>(0x800C0006));
  ASSERT_EQ(doc->loadXML(L"<ok/>"), VARIANT_TRUE);
  EXPECT_EQ(doc->GetparseError()->GeterrorCode(), 0);
}

}  // namespace
}  // namespace kavro::test
