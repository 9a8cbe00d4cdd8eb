// Running a console program with its output shown, as it arrives, in a
// rich-edit control of the caller's window, while the caller's window keeps
// handling its messages.
//
//   CRedirect run(L"make -k all", &output, L"C:\\work\\project");
//   CString phrase = L"Fatal Error";
//   run.AddErrorCondition(phrase);        // ends the run when seen
//   BOOL ok = run.Run();                  // TRUE when the program ended by itself
//
// The child's output is decoded as UTF-8 when it is UTF-8, else in the
// ANSI code page; a character, a "\r\n" or an error phrase that a pipe read
// cuts in two is still seen whole. Stopping, cancelling and a matched error
// phrase end the child's whole process group.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>

#include "KavroStd/platform/windows.h"

class KVSTD_API CRedirect {
 public:
  enum MessageType { MessagePlain = 0, MessageBlue = 1, MessageError = 2, MessageBold = 3 };

  // Command line, output control (null: nothing shown), working folder
  // (null: the caller's); the strings are borrowed for the object's life.
  CRedirect(const wchar_t* commandLine, CRichEditCtrl* output, const wchar_t* workingFolder);
  virtual ~CRedirect();
  CRedirect(const CRedirect&) = delete;
  CRedirect& operator=(const CRedirect&) = delete;

  virtual BOOL Run();
  virtual void Stop();
  static void SetCancel(BOOL cancel);

  // Lower-cases the caller's string itself and keeps it.
  void AddErrorCondition(CString& phrase);
  // Keeps a lower-case copy of each element.
  void AddErrorCondition(CStringArray& phrases);

  static void ShowMessage(CRichEditCtrl* output, CString text, MessageType type);

  static int m_bCancel;

 protected:
  void SetSleepInterval(DWORD milliseconds);
  void PeekAndPump();
  void AppendText(const wchar_t* text, BOOL checkErrors, MessageType type);
  void ShowLastError(const wchar_t* prefix);

  bool m_bStopped;
  DWORD m_dwSleepMilliseconds;
  const wchar_t* m_szCommand;
  const wchar_t* m_szCurrentDirectory;
  CRichEditCtrl* m_pEdit;
  PROCESS_INFORMATION m_ProcessInformation;
  CStringArray m_ErrorConditionAry;

 private:
  // Turns one read into text; bytes of a character (or a '\r' whose '\n'
  // may follow) cut off at the end wait in pending_ for the next read.
  CString Decode(const char* bytes, size_t size, bool last);
  // Drops the pause prompt and what follows it; text ending in the prompt's
  // first characters waits in heldText_ for the next read (`last`: none).
  CString CutPausePrompt(CString text, bool last);
  void EndChild();

  std::string pending_;
  std::wstring matchTail_;  // the end of the text last checked, lower case
  std::wstring heldText_;   // a possible start of the pause prompt, not shown yet
};
