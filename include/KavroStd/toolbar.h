/// @file
/// Toolbar definitions. This header declares:
///
///   CJButtonParam   one button: six texts, a lock number, a selected flag
///   JButtonArray    one toolbar: an ordered array of buttons with six header
///                   texts
///   CJToolBarParam  a set of toolbars: look-ups, the user's choice of buttons
///                   (selection string, lock flags) and the toolbar files
///                   (".mns") of the menu folder that hold them
///
///   CJToolBarParam bars;
///   CJToolBarParam::LoadToolbar(bars);            // every *.mns of the menu folder
///   bars.SetSelByCString(saved);                  // the user's earlier choice
///   CString now = bars.GetSelCString(FALSE);      // 'Op0_Gp0_001_003_Op1_004_'
///
/// Text forms, one line each ('|' separates, no escaping):
///   button   name|text3|text2|text5|text4|text6
///   toolbar  ***name|group|module|text4|text5|text6
///
/// Toolbar file: lines in the system ANSI code page (CR LF), read in order:
///   "***..."  header: starts a toolbar. Its texts are trimmed of blanks, tabs
///             and line breaks. Texts 2 to 6 that it leaves out are taken from
///             the last header of the same group ('***T2' after
///             '***T1|G|m.arx|a|b|c' is group G, module m.arx, texts a, b, c;
///             a header naming another group forgets what was remembered).
///   "**X"     group line: the toolbar so far is kept once per group line,
///             with the group X of that line (text after the stars, as it
///             stands); button lines that follow are ignored until the next
///             header.
///   a|b...    button line (two or more '|' parts) of the current toolbar; the
///             third text loses its trailing spaces.
///   other     ignored: lines without '|', and everything before the first
///             header.
/// A toolbar without buttons is not kept. Files do not hold the lock numbers
/// or the selected and open flags: loaded buttons have lock -1 and are
/// selected, loaded toolbars are open. NUL characters in a line are dropped
/// (no text can hold one); bytes invalid in the code page read as the code
/// page's replacement character.
///
/// Selection string: for each toolbar i, "Op<i>_" when it is open, "Gp<i>_"
/// when any of its buttons is unselected, then "<n>_" (at least three digits)
/// for each selected button, n counting buttons from 1 over the whole set.
///
/// All name and group comparisons are exact (case-sensitive), except module
/// names, which match the module list without regard to case. Copies are
/// deep. Copying a toolbar (assignment, copy construction) makes it open;
/// relocation inside an array keeps every field. Meant for the host's main
/// thread; nothing is locked or shared.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/windows.h"

/// One toolbar button: six texts, a lock number and a selected flag.
class KVSTD_API CJButtonParam {
 public:
  /// Empty texts, lock -1, selected.
  CJButtonParam();
  ///@{
  /// The texts in field order and the lock number; selected, no source file.
  CJButtonParam(CString name, CString field2, CString field3, CString field4, CString field5,
                CString field6, int lock);
  ///@}
  ///@{
  /// Copies are deep; a move takes every field.
  CJButtonParam(const CJButtonParam& other);
  CJButtonParam(CJButtonParam&& other) noexcept;
  CJButtonParam& operator=(const CJButtonParam& other);
  CJButtonParam& operator=(CJButtonParam&& other) noexcept;
  ///@}
  ///@{
  /// Destroys the texts.
  virtual ~CJButtonParam();
  ///@}

  ///@{
  /// Equal when the name and texts 2 to 5 are equal; text 6, the lock, the
  /// selected flag and the source file are not compared.
  int operator==(const CJButtonParam& other) const;
  int operator!=(const CJButtonParam& other) const;
  ///@}

  /// 'name|text3|text2|text5|text4|text6'.
  CString GetString() const;
  /// Reads the text form. Fewer than two '|' parts change nothing; otherwise
  /// each given part replaces its text (text 3 without trailing spaces),
  /// missing parts keep theirs and parts beyond the sixth are ignored. The
  /// lock, the flag and the source file are not touched.
  void SetString(CString text);

  CString m_strName;  ///< the name: text 1
  CString m_strField2;  ///< text 2
  CString m_strField3;  ///< text 3
  CString m_strField4;  ///< text 4
  CString m_strField5;  ///< text 5
  CString m_strField6;  ///< text 6
  int m_nLock;         ///< buttons standing for the same thing share it; < 0 none
  int m_bSelected;     ///< shown / chosen
  CString m_strSourceFile;  ///< the toolbar file it was loaded from
};

/// One toolbar: its buttons in display order and six header texts.
class KVSTD_API JButtonArray : public CArray<CJButtonParam, CJButtonParam&> {
 public:
  JButtonArray();
  /// A copy is open and has lock -1, whatever the source holds.
  JButtonArray(const JButtonArray& other);
  ///@{
  /// Takes everything, flags included (the source is left empty).
  JButtonArray(JButtonArray&& other) noexcept;
  ///@}
  ///@{
  /// Destroys the buttons.
  ~JButtonArray() override;
  ///@}

  /// Copies the buttons and the six texts and makes this toolbar open; the
  /// lock stays. Nothing happens on self-assignment.
  JButtonArray& operator=(const JButtonArray& other);
  /// Takes everything, flags and lock included.
  JButtonArray& operator=(JButtonArray&& other) noexcept;

  /// No buttons, empty texts, lock -1, open.
  void Reset();

  ///@{
  /// Equal when both hold pairwise equal buttons; header texts and flags are
  /// not compared.
  int operator==(const JButtonArray& other) const;
  int operator!=(const JButtonArray& other) const;
  ///@}

  /// The header line '***name|group|module|text4|text5|text6'.
  CString GetString() const;
  /// Reads header texts from a header line without its "***": part k, trimmed
  /// of blanks, tabs, CR and LF, becomes text k; texts without a part keep
  /// theirs. Returns the number of '|' parts (0 for an empty text; may be
  /// more than six).
  int GetNameByCString(CString text);

  /// A copy of the first button named name (exact), or a default button.
  CJButtonParam GetValueByName(CString name) const;
  /// Replaces the first button named name by button: 1, or 0 when there is
  /// none.
  int SetValueByName(CString name, CJButtonParam button);

  CString m_strName;  ///< the toolbar name: header text 1
  CString m_strGroup;  ///< the group: header text 2
  CString m_strModule;  ///< product module file the toolbar needs; empty: none
  CString m_strField4;  ///< header text 4
  CString m_strField5;  ///< header text 5
  CString m_strField6;  ///< header text 6
  int m_nLock;  ///< a lock number kept with the toolbar (not in files); -1 none
  int m_bOpen;  ///< open (shown)
};

/// A set of toolbars.
class KVSTD_API CJToolBarParam : public CArray<JButtonArray, JButtonArray&> {
 public:
  CJToolBarParam();
  ///@{
  /// Copies the name and the toolbars; every copied toolbar is open.
  CJToolBarParam(const CJToolBarParam& other);
  ///@}
  ///@{
  /// Moves take the name and every toolbar as it is.
  CJToolBarParam(CJToolBarParam&& other) noexcept;
  ///@}
  ///@{
  /// Destroys the toolbars.
  ~CJToolBarParam() override;
  ///@}
  ///@{
  /// Copies the name and the toolbars (every copied toolbar open).
  CJToolBarParam& operator=(const CJToolBarParam& other);
  ///@}
  ///@{
  /// Takes the name and every toolbar as it is.
  CJToolBarParam& operator=(CJToolBarParam&& other) noexcept;
  ///@}

  /// No toolbars, empty name.
  void Reset();

  ///@{
  /// Equal when both hold pairwise equal toolbars (buttons only).
  int operator==(const CJToolBarParam& other) const;
  int operator!=(const CJToolBarParam& other) const;
  ///@}

  // ---- Look-ups ----
  /// The index of the first toolbar of that group and name, copied to result;
  /// -1 with result unchanged when there is none.
  int GetToolBarByName(CString group, CString name, JButtonArray& result) const;
  /// result = the toolbars of group, in order (with firstOfEachGroup non-zero,
  /// taken from GetAllGrpName's set instead). Returns the index of the last
  /// one in the set searched, or -1. result may be this set.
  int GetToolBarByName(CString group, CJToolBarParam& result, int firstOfEachGroup) const;
  /// result = the first toolbar of each group, in order of first appearance.
  /// result may be this set.
  void GetAllGrpName(CJToolBarParam& result) const;

  // ---- Selection ----
  /// The selection string of every toolbar, or (firstOnly non-zero) of
  /// toolbar 0 alone; "" for an empty set. Linear in the number of buttons.
  CString GetSelCString(int firstOnly = FALSE) const;
  /// Restores a selection string in one pass: "Op<i>" opens toolbar i (no
  /// toolbar is closed), "Gp" parts are ignored, other parts of two or more
  /// characters name button numbers; then exactly the buttons named are
  /// selected.
  void SetSelByCString(CString selection);
  /// Selects every button with that lock number; others keep their flag.
  void SetSelByCString(int lock);
  /// A copy of the first button with that lock number, or a default button.
  CJButtonParam GetButtonByLock(int lock) const;
  /// flags = the selected flags indexed by lock number (the last button of a
  /// lock wins; indices no button names are 0). Buttons with lock < 0 are
  /// left out.
  void GetLockBOOL(CArray<int, int>& flags) const;
  /// Each button whose lock indexes flags takes the flag at that index.
  void SetLockBOOL(CArray<int, int>& flags);

  // ---- Toolbar files ----
  /// Appends the toolbars of the file at path (a full path). When it cannot
  /// be opened, shows "Could not open file <path>.\n"; on a read error,
  /// "Unable to load Toolbar list"; either way the set stays as it was.
  void LoadToolbarFile(CString path);
  /// Writes the set to path, replacing the file: each toolbar's header line,
  /// its button lines and an empty line. A file that cannot be written shows
  /// "Could not open file <path>.\n".
  void SaveToolbarFile(CString path) const;
  /// Appends the toolbars of every "*.mns" file directly in the menu folder
  /// (STDGlobeInfo()->GetMenuPath()), then drops those of modules not
  /// installed (GetToolbarByLoadMoudle). Returns 1.
  static int LoadToolbar(CJToolBarParam& set);
  /// Removes every toolbar whose module is named but is not in the installed
  /// module list (CSTDGlobeInfo::GetAllArxFile), compared without regard to
  /// case. Returns 1.
  static int GetToolbarByLoadMoudle(CJToolBarParam& set);

  CString m_strName;  ///< the name of the set
};
