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

#include <memory>
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

/// The pieces of a self-update: a short text (the latest version number)
/// fetched from an address, a file downloaded, an executable's version read,
/// two versions compared, and a downloaded executable put in the place of the
/// running one with a backup ("OldExecutable.bak" beside it). Every address
/// comes from the caller. Failures are results, never exceptions.
///
///   CAutoUpdater updater;
///   CString latest;
///   if (updater.CheckForUpdate(L"http://example.invalid/app/version.txt", latest) == CAutoUpdater::UpdateCheckOk &&
///       updater.CompareVersions(latest, updater.GetFileVersion(updater.GetExecutable())) > 0) {
///     ...  // GetSession + DownloadFile, then Switch
///   }
///
/// Copies share one Internet session, closed when the last of them goes.
class KVSTD_API CAutoUpdater {
 public:
  /// The result of CheckForUpdate.
  enum ErrorType {
    UpdateCheckOk = 0,        ///< the text was fetched
    UpdateNoInternet = 1,     ///< no session, or the machine has no Internet connection
    UpdateOpenUrlFailed = 2,  ///< the address could not be opened (HTTP status 400 or more included)
    UpdateNoData = 3          ///< the address delivered no data
  };

  /// Opens the Internet session (agent "AutoUpdateAgent", the machine's
  /// proxy settings); every call that needs it fails when that failed.
  CAutoUpdater();
  /// Shares the other's session.
  CAutoUpdater(const CAutoUpdater& other);
  /// Shares the other's session; the old one is closed if no copy uses it.
  CAutoUpdater& operator=(const CAutoUpdater& other);
  /// Closes the session when no copy uses it any more.
  virtual ~CAutoUpdater();

  /// False without a session or when the machine has no Internet connection.
  bool InternetOkay();
  /// Opens the address (canonicalised, written back into `url`), never from
  /// a cache; the request handle is the caller's to close. Null on failure.
  HINTERNET GetSession(CString& url);
  /// One read of at most `size` bytes; true when at least one byte came.
  bool DownloadConfig(HINTERNET request, BYTE* buffer, DWORD size);
  /// Copies the content into the file (created or replaced); true only when
  /// the end was reached with every write complete.
  bool DownloadFile(HINTERNET request, const wchar_t* localFile);
  /// "5.1.0.3", "5.1" when the last two parts are zero, empty when the file
  /// has no version.
  CString GetFileVersion(const wchar_t* file);
  /// True when every character is '0' to '9' (an empty text too).
  bool IsDigits(CString text);
  /// The full path of the process's executable.
  CString GetExecutable();
  /// 1, 0 or -1 as the first dotted version (one to four numbers) is greater,
  /// equal or smaller; -21 when the first is not a version, -22 the second.
  int CompareVersions(CString first, CString second);
  /// The trimmed text at the address (at most 4,095 bytes of it); `text` is
  /// left unchanged on failure.
  ErrorType CheckForUpdate(const wchar_t* url, CString& text);
  /// Puts `update` in the place of `executable`, the old one kept as backup;
  /// `atReboot` registers both moves for the next start instead. A failed
  /// second move puts the executable back.
  bool Switch(CString executable, CString update, bool atReboot);
  /// The text at the address, empty on any failure.
  static CString GetHttpText(CString url);

 private:
  std::shared_ptr<void> session_;  // the HINTERNET, closed by the last copy
};
