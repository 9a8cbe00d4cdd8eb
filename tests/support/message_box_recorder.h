// Test helpers for code that shows message boxes or depends on the ANSI code
// page: a recorder that answers every box and keeps its texts, and a scope
// that switches the process's code page and puts it back.
#pragma once

#include <string>
#include <vector>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/msgbox.h"

namespace kavro::test {

// Installs itself as the message box handler for its lifetime.
class MessageBoxRecorder {
 public:
  MessageBoxRecorder() {
    previous_ = KvGetMessageBoxHandler(&previousContext_);
    KvSetMessageBoxHandler(&Record, this);
  }
  ~MessageBoxRecorder() { KvSetMessageBoxHandler(previous_, previousContext_); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  // The texts shown so far, in order.
  const std::vector<std::wstring>& texts() const { return texts_; }
  const std::vector<UINT>& types() const { return types_; }

 private:
  static int Record(LPCWSTR text, LPCWSTR, UINT type, void* context) {
    auto* self = static_cast<MessageBoxRecorder*>(context);
    self->texts_.push_back(text ? text : L"");
    self->types_.push_back(type);
    return IDOK;
  }

  KvMessageBoxHandler previous_ = nullptr;
  void* previousContext_ = nullptr;
  std::vector<std::wstring> texts_;
  std::vector<UINT> types_;
};

// Makes codePage the ANSI code page while it lives; ok() is false when the
// layer cannot convert it (the test should skip).
class CodePageScope {
 public:
  explicit CodePageScope(UINT codePage) : previous_(GetACP()), ok_(KvSetACP(codePage) != FALSE) {}
  ~CodePageScope() { KvSetACP(previous_); }
  CodePageScope(const CodePageScope&) = delete;
  CodePageScope& operator=(const CodePageScope&) = delete;
  bool ok() const { return ok_; }

 private:
  UINT previous_;
  bool ok_;
};

}  // namespace kavro::test
