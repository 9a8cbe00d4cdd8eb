// CRedirect's run loop: the child started on a pipe, its output read as it
// arrives, the caller's messages pumped while waiting.
#include "KavroStd/process.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "platform/sync/process_handle_internal.h"

namespace {

// The pause prompt of a console program; it and what follows in the same
// read are not shown.
const wchar_t kPausePhrase[] = L"Press any key to continue . . .";
constexpr DWORD kReadSize = 8191;
constexpr DWORD kPiecesPerBatch = 8;

}  // namespace

int CRedirect::m_bCancel = 0;

CRedirect::CRedirect(const wchar_t* commandLine, CRichEditCtrl* output, const wchar_t* workingFolder)
    : m_bStopped(false),
      m_dwSleepMilliseconds(100),
      m_szCommand(commandLine),
      m_szCurrentDirectory(workingFolder),
      m_pEdit(output),
      m_ProcessInformation{} {
  m_bCancel = 0;
}

CRedirect::~CRedirect() = default;

void CRedirect::Stop() { m_bStopped = true; }

void CRedirect::SetCancel(BOOL cancel) { m_bCancel = cancel; }

void CRedirect::SetSleepInterval(DWORD milliseconds) { m_dwSleepMilliseconds = milliseconds; }

void CRedirect::AddErrorCondition(CString& phrase) {
  phrase.MakeLower();
  m_ErrorConditionAry.Add(phrase);
}

void CRedirect::AddErrorCondition(CStringArray& phrases) {
  for (INT_PTR i = 0; i < phrases.GetSize(); ++i) {
    CString copy = phrases[i];
    m_ErrorConditionAry.Add(copy.MakeLower());
  }
}

void CRedirect::PeekAndPump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    if (msg.message == WM_QUIT) {
      // Left for the application's own loop, which ends on it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void CRedirect::EndChild() {
  if (!kavro::platform::KvTerminateProcessGroup(m_ProcessInformation.hProcess, 0)) {
    ShowLastError(L"进程终止错误.");
  } else {
    AppendText(L"\r\n取消.\r\n\r\n进程成功终止.\r\n", FALSE, MessageError);
  }
}

CString CRedirect::CutPausePrompt(CString whole, bool last) {
  static const size_t phraseLength = wcslen(kPausePhrase);
  // Most reads hold no part of the prompt: the text is cut or kept as it is.
  if (!heldText_.empty()) {
    whole = CString(heldText_.data(), static_cast<int>(heldText_.size())) + whole;
    heldText_.clear();
  }
  const int pause = whole.Find(kPausePhrase);
  if (pause >= 0) return whole.Left(pause);
  if (last) return whole;
  // The longest end of the text that the prompt begins with waits.
  const size_t length = static_cast<size_t>(whole.GetLength());
  const wchar_t* data = whole.GetString();
  size_t keep = std::min(length, phraseLength - 1);
  while (keep > 0 && wmemcmp(data + length - keep, kPausePhrase, keep) != 0) --keep;
  if (keep == 0) return whole;
  heldText_.assign(data + length - keep, keep);
  return whole.Left(static_cast<int>(length - keep));
}

BOOL CRedirect::Run() {
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
  if (!CreatePipe(&readEnd, &writeEnd, &security, 0)) {
    ShowLastError(L"管道创建错误");
    return FALSE;
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = writeEnd;
  startup.hStdError = writeEnd;
  // CreateProcessW may write into the command line it is given: a copy.
  std::wstring command = m_szCommand ? m_szCommand : L"";
  m_ProcessInformation = PROCESS_INFORMATION{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, m_szCurrentDirectory,
                      &startup, &m_ProcessInformation)) {
    ShowLastError(L"进程创建错误");
    DWORD error = GetLastError();
    CloseHandle(readEnd);
    CloseHandle(writeEnd);
    SetLastError(error);
    return FALSE;
  }
  pending_.clear();
  matchTail_.clear();
  heldText_.clear();

  BOOL result = FALSE;
  // The pipe is read in batches of several 8,191-byte pieces, each piece
  // then handled as one read would be: the same text shown, far fewer
  // system calls while a child writes fast.
  std::vector<char> batch(kReadSize * kPiecesPerBatch);
  size_t batchSize = 0, batchPosition = 0;
  DWORD waiting = 0;
  bool failed = false;
  while (true) {
    if (batchPosition == batchSize) {
      batchSize = batchPosition = 0;
      if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &waiting, nullptr)) {
        ShowLastError(L"查找命名管道失败！");
        failed = true;
        break;
      }
      if (waiting > 0) {
        DWORD got = 0;
        if (!ReadFile(readEnd, batch.data(), static_cast<DWORD>(batch.size()), &got, nullptr)) {
          ShowLastError(L"ReadFile fialed");
          break;
        }
        batchSize = got;
      }
    }
    if (batchPosition < batchSize) {
      const size_t piece = std::min<size_t>(kReadSize, batchSize - batchPosition);
      CString text = Decode(batch.data() + batchPosition, piece, false);
      batchPosition += piece;
      text.Replace(L'\b', L' ');
      AppendText(CutPausePrompt(std::move(text), false), TRUE, MessagePlain);
      PeekAndPump();
    } else {
      if (WaitForSingleObject(m_ProcessInformation.hProcess, 0) == WAIT_OBJECT_0) {
        // What the child wrote between the peek and its end is still read.
        DWORD late = 0;
        if (!PeekNamedPipe(readEnd, nullptr, 0, nullptr, &late, nullptr) || late == 0) {
          result = TRUE;
          break;
        }
        continue;
      }
      PeekAndPump();
      Sleep(m_dwSleepMilliseconds);
    }
    if (m_bStopped || m_bCancel) {
      EndChild();
      break;
    }
  }
  if (!failed) {
    // What the last read left pending (a lone '\r', a cut character).
    CString rest = Decode(nullptr, 0, true);
    rest.Replace(L'\b', L' ');
    rest = CutPausePrompt(std::move(rest), true);
    if (!rest.IsEmpty()) AppendText(rest, TRUE, MessagePlain);
  }

  if (!CloseHandle(m_ProcessInformation.hThread)) ShowLastError(L"线程关闭错误.");
  if (!CloseHandle(m_ProcessInformation.hProcess)) ShowLastError(L"进程关闭错误.");
  if (!CloseHandle(readEnd)) ShowLastError(L"读管道关闭错误.");
  if (!CloseHandle(writeEnd)) ShowLastError(L"写管道关闭错误.");
  return result;
}
