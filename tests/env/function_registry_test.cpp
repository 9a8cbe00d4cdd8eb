#include <gtest/gtest.h>

#include <vector>

#include "env/globe_test_access.h"
#include "support/test_support.h"

using kavro::test::GlobeAccess;

namespace {

std::vector<CString> g_seenParameters;
void* g_seenObject = nullptr;
int g_calls = 0;

void Recorder() {
  ++g_calls;
  g_seenParameters.clear();
  for (INT_PTR i = 0; i < GlobeAccess::Parameters().GetSize(); ++i)
    g_seenParameters.push_back(STDGlobeInfo()->GetParameter(static_cast<int>(i)));
  g_seenObject = STDGlobeInfo()->GetObjectW();
  STDGlobeInfo()->SetResult(CString(L"done"));
}

void Other() {}

class FunctionRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_seenParameters.clear();
    g_seenObject = nullptr;
    g_calls = 0;
  }
  void TearDown() override { STDGlobeInfo()->DelFunction(L"T.", TRUE); }
  CSTDGlobeInfo* globe = STDGlobeInfo();
};

std::vector<CString> List(std::initializer_list<const wchar_t*> items) {
  std::vector<CString> out;
  for (const wchar_t* s : items) out.push_back(s);
  return out;
}

TEST_F(FunctionRegistryTest, CommandsSplitIntoTheParameterList) {
  ASSERT_TRUE(globe->AddFunction(L"T.Fn", &Recorder, FALSE));
  int object = 0;
  struct Row {
    const wchar_t* command;
    std::vector<CString> extra;
    std::vector<CString> expected;
  } const rows[] = {
      {L"T.Fn,a,,b", List({L"x"}), List({L"a", L"", L"b", L"x"})},
      {L"T.Fn,", List({}), List({L""})},
      {L"T.Fn", List({}), List({})},
      {L"T.Fn,,", List({L"y", L""}), List({L"", L"", L"y", L""})},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.command));
    CStringArray extra;
    for (const CString& s : row.extra) extra.Add(s);
    EXPECT_TRUE(globe->RunFunction(row.command, extra, &object));
    EXPECT_EQ(g_seenParameters, row.expected);
    EXPECT_EQ(g_seenObject, &object);
    EXPECT_EQ(globe->GetResult(0), L"done");
  }
}

TEST_F(FunctionRegistryTest, TheSixStringFormAlwaysPassesSix) {
  ASSERT_TRUE(globe->AddFunction(L"T.Fn", &Recorder, FALSE));
  int object = 0;
  CStringArray none;
  globe->RunFunction(L"T.Fn", none, &object);
  EXPECT_TRUE(globe->RunFunction(L"T.Fn", L"x", L"", L"", L"", L"", L""));
  EXPECT_EQ(g_seenParameters, List({L"x", L"", L"", L"", L"", L""}));
  EXPECT_EQ(g_seenObject, nullptr);
}

TEST_F(FunctionRegistryTest, AnUnknownNameChangesNothing) {
  ASSERT_TRUE(globe->AddFunction(L"T.Fn", &Recorder, FALSE));
  int object = 0;
  CStringArray extra;
  extra.Add(CString(L"kept"));
  ASSERT_TRUE(globe->RunFunction(L"T.Fn,p", extra, &object));
  globe->AddResult(CString(L"more"));
  CStringArray other;
  other.Add(CString(L"new"));
  EXPECT_FALSE(globe->RunFunction(L"T.FN,q", other, nullptr));  // names are case-sensitive
  EXPECT_FALSE(globe->RunFunction(L"", other, nullptr));
  EXPECT_EQ(globe->GetParameter(0), L"p");
  EXPECT_EQ(globe->GetParameter(1), L"kept");
  EXPECT_EQ(globe->GetObjectW(), &object);
  EXPECT_EQ(globe->GetResult(0), L"done");
  EXPECT_EQ(globe->GetResult(1), L"more");
  EXPECT_EQ(g_calls, 1);
}

TEST_F(FunctionRegistryTest, OutOfRangeIndexesGiveEmptyText) {
  globe->SetResult(CString(L"only"));
  EXPECT_EQ(globe->GetResult(-1), L"");
  EXPECT_EQ(globe->GetResult(1), L"");
  EXPECT_EQ(globe->GetParameter(-1), L"");
  EXPECT_EQ(globe->GetParameter(100000), L"");
  CStringArray values;
  values.Add(CString(L"a"));
  values.Add(CString(L"b"));
  globe->SetResult(values);
  EXPECT_EQ(globe->GetResult(1), L"b");
  EXPECT_EQ(globe->GetResult(2), L"");
}

TEST_F(FunctionRegistryTest, AddReplaceAndRefuse) {
  EXPECT_FALSE(globe->AddFunction(L"T.Null", nullptr, FALSE));
  EXPECT_FALSE(globe->HasFunction(L"T.Null"));
  CStringArray none;
  EXPECT_FALSE(globe->RunFunction(L"T.Null", none, nullptr));

  EXPECT_TRUE(globe->AddFunction(L"T.Fn", &Other, FALSE));
  EXPECT_FALSE(globe->AddFunction(L"T.Fn", &Recorder, TRUE));  // kept
  EXPECT_TRUE(globe->RunFunction(L"T.Fn", none, nullptr));
  EXPECT_EQ(g_calls, 0);
  EXPECT_TRUE(globe->AddFunction(L"T.Fn", &Recorder, FALSE));  // replaced
  EXPECT_TRUE(globe->RunFunction(L"T.Fn", none, nullptr));
  EXPECT_EQ(g_calls, 1);
  EXPECT_TRUE(globe->AddFunction(L"T.FN", &Other, TRUE));  // another name
  EXPECT_TRUE(globe->HasFunction(L"T.FN"));
}

TEST_F(FunctionRegistryTest, DeleteByNameAndPrefix) {
  for (const wchar_t* name : {L"T.Edit", L"T.EdX", L"T.edit", L"T.E"}) globe->AddFunction(name, &Other, FALSE);
  EXPECT_TRUE(globe->DelFunction(L"T.Ed", TRUE));
  EXPECT_FALSE(globe->HasFunction(L"T.Edit"));
  EXPECT_FALSE(globe->HasFunction(L"T.EdX"));
  EXPECT_TRUE(globe->HasFunction(L"T.edit"));
  EXPECT_TRUE(globe->HasFunction(L"T.E"));
  EXPECT_FALSE(globe->DelFunction(L"T.Ed", TRUE));
  EXPECT_FALSE(globe->DelFunction(L"T.Missing", FALSE));
  EXPECT_TRUE(globe->DelFunction(L"T.E", FALSE));
  EXPECT_TRUE(globe->HasFunction(L"T.edit"));
}

TEST_F(FunctionRegistryTest, AnEmptyPrefixRemovesEverythingAndGetAllAppends) {
  CSTDGlobeInfo::Function builtin = GlobeAccess::Registered(L"KVSTD_PLATFORM_FUNCTION_FINDFILE");
  ASSERT_NE(builtin, nullptr);
  globe->AddFunction(L"T.A", &Other, FALSE);
  globe->AddFunction(L"T.B", &Other, FALSE);
  CStringArray names;
  names.Add(CString(L"first"));
  names.Add(CString(L"second"));
  globe->GetAllFunction(names);
  ASSERT_GE(names.GetSize(), 5);
  EXPECT_EQ(names[0], L"first");
  EXPECT_EQ(names[1], L"second");

  EXPECT_TRUE(globe->DelFunction(L"", TRUE));
  EXPECT_FALSE(globe->HasFunction(L"KVSTD_PLATFORM_FUNCTION_FINDFILE"));
  CStringArray after;
  globe->GetAllFunction(after);
  EXPECT_EQ(after.GetSize(), 0);
  globe->AddFunction(L"KVSTD_PLATFORM_FUNCTION_FINDFILE", builtin, FALSE);
}

// A function that calls out replaces its own call's parameters: it reads
// them first.
void Outer() {
  CString mine = STDGlobeInfo()->GetParameter(0);
  STDGlobeInfo()->RunFunction(L"T.Inner,inner", L"", L"", L"", L"", L"", L"");
  STDGlobeInfo()->AddResult(mine);
}
void Inner() { STDGlobeInfo()->SetResult(STDGlobeInfo()->GetParameter(0)); }

TEST_F(FunctionRegistryTest, NestedCallsShareTheSlots) {
  globe->AddFunction(L"T.Outer", &Outer, FALSE);
  globe->AddFunction(L"T.Inner", &Inner, FALSE);
  CStringArray none;
  EXPECT_TRUE(globe->RunFunction(L"T.Outer,outer", none, nullptr));
  EXPECT_EQ(globe->GetResult(0), L"inner");
  EXPECT_EQ(globe->GetResult(1), L"outer");
  EXPECT_EQ(globe->GetParameter(0), L"inner");
}

// A function that removes itself while it runs.
void SelfRemoving() { STDGlobeInfo()->DelFunction(L"T.Self", FALSE); }

TEST_F(FunctionRegistryTest, AFunctionMayRemoveItselfWhileRunning) {
  globe->AddFunction(L"T.Self", &SelfRemoving, FALSE);
  CStringArray none;
  EXPECT_TRUE(globe->RunFunction(L"T.Self", none, nullptr));
  EXPECT_FALSE(globe->HasFunction(L"T.Self"));
}

TEST_F(FunctionRegistryTest, TheCallersListMayBeTheParameterListItself) {
  globe->AddFunction(L"T.Fn", &Recorder, FALSE);
  globe->RunFunction(L"T.Fn", L"a", L"b", L"", L"", L"", L"");
  EXPECT_TRUE(globe->RunFunction(L"T.Fn,z", GlobeAccess::Parameters(), nullptr));
  EXPECT_EQ(g_seenParameters, List({L"z", L"a", L"b", L"", L"", L"", L""}));
}

}  // namespace
