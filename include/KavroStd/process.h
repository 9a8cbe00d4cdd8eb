/// @file
/// Running a console program with its output shown, as it arrives, in a
/// rich-edit control of the caller's window, while the caller's window keeps
/// handling its messages.
///
///   CRedirect run(L"make -k all", &output, L"C:\\work\\project");
///   CString phrase = L"Fatal Error";
///   run.AddErrorCondition(phrase);        // ends the run when seen
///   BOOL ok = run.Run();                  // TRUE when the program ended by itself
///
/// The child's output is decoded as UTF-8 when it is UTF-8, else in the
/// ANSI code page; a character, a "\r\n" or an error phrase that a pipe read
/// cuts in two is still seen whole. Stopping, cancelling and a matched error
/// phrase end the child's whole process group.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>

#include "KavroStd/platform/windows.h"

/// Runs one console program and shows its output in a rich-edit control.
class KVSTD_API CRedirect {
 public:
  /// How ShowMessage shows a text.
  enum MessageType { MessagePlain = 0, MessageBlue = 1, MessageError = 2, MessageBold = 3 };

  ///@{
  /// Command line, output control (null: nothing shown), working folder
  /// (null: the caller's); the strings are borrowed for the object's life.
  CRedirect(const wchar_t* commandLine, CRichEditCtrl* output, const wchar_t* workingFolder);
  ///@}
  ///@{
  /// Does not end a running child: Run returns only when it has ended.
  virtual ~CRedirect();
  ///@}
  ///@{
  /// Not copyable.
  CRedirect(const CRedirect&) = delete;
  CRedirect& operator=(const CRedirect&) = delete;
  ///@}

  /// Starts the child with its output and errors on one pipe and shows the
  /// output as it arrives, pumping the caller's messages; returns when the child
  /// has ended. TRUE when it ended by itself; FALSE when it could not be started
  /// or a pipe call failed (the cause shown in the control), or when Stop,
  /// SetCancel or a matched error phrase ended it.
  virtual BOOL Run();
  /// Asks a running Run to end the child; Run sees it on its next pass.
  virtual void Stop();
  /// Sets the cancel flag shared by every run; a set flag ends the child the
  /// way Stop does. Making a CRedirect clears it.
  static void SetCancel(BOOL cancel);

  /// Lower-cases the caller's string itself and keeps it.
  void AddErrorCondition(CString& phrase);
  /// Keeps a lower-case copy of each element.
  void AddErrorCondition(CStringArray& phrases);

  /// Appends text at the end of output in the colour of type (plain and bold
  /// black, blue, error red), LF turned into CR LF; nothing for a null control.
  static void ShowMessage(CRichEditCtrl* output, CString text, MessageType type);

  /// The flag SetCancel sets.
  static int m_bCancel;

  /// @cond INTERNAL
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

  /// @endcond
 private:
  /// Turns one read into text; bytes of a character (or a '\r' whose '\n'
  /// may follow) cut off at the end wait in pending_ for the next read.
  CString Decode(const char* bytes, size_t size, bool last);
  ///@{
  /// Drops the pause prompt and what follows it; text ending in the prompt's
  /// first characters waits in heldText_ for the next read (`last`: none).
  CString CutPausePrompt(CString text, bool last);
  void EndChild();
  ///@}

  std::string pending_;
  std::wstring matchTail_;  ///< the end of the text last checked, lower case
  std::wstring heldText_;   ///< a possible start of the pause prompt, not shown yet
};
